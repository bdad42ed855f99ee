// kernel32 locale substitutes for systems without Windows: the user's
// settings are those of the C library's locale (LC_NUMERIC, as the program's
// setlocale left it).
#include <clocale>
#include <cstring>
#include <string>

#include "platform/modAPI.h"

extern "C" int GetLocaleInfoA(LCID, LCTYPE LCType, LPSTR lpLCData, int cchData) {
  if (cchData < 0 || (cchData > 0 && lpLCData == nullptr)) return 0;
  std::string data;
  switch (LCType) {
    case LOCALE_STHOUSAND: {
      const lconv* conventions = std::localeconv();
      data = conventions != nullptr && conventions->thousands_sep != nullptr ? conventions->thousands_sep : "";
      // The C locale has no separator; Windows always names one.
      if (data.empty()) data = ",";
      break;
    }
    default:
      return 0;
  }
  const int needed = static_cast<int>(data.size()) + 1;
  if (cchData == 0) return needed;
  if (cchData < needed) return 0;
  std::memcpy(lpLCData, data.c_str(), static_cast<size_t>(needed));
  return needed;
}
