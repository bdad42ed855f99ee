// kernel32 locale substitutes for systems without Windows: the user's
// settings are those of the C library's locale (LC_NUMERIC, as the program's
// setlocale left it).
#include <clocale>
#include <cstring>
#include <string>

#include "platform/modAPI.h"

extern "C" int GetLocaleInfoA(LCID, LCTYPE LCType, LPSTR lpLCData, int cchData) {
  if (cchData < 0 || (cchData > 0 && lpLCData == nullptr)) return 0;
  if (LCType != LOCALE_STHOUSAND) return 0;
  const lconv* conventions = std::localeconv();
  const char* separator = conventions != nullptr ? conventions->thousands_sep : nullptr;
  // The C locale has no separator; Windows always names one.
  if (separator == nullptr || *separator == '\0') separator = ",";
  const std::string data(separator);
  const int needed = static_cast<int>(data.size()) + 1;
  if (cchData == 0) return needed;
  if (cchData < needed) return 0;
  std::memcpy(lpLCData, data.c_str(), static_cast<size_t>(needed));
  return needed;
}
