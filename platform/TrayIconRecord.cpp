#include "platform/TrayIconRecord.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

static_assert(sizeof(TrayIconRecord) > NOTIFYICONDATAA_V1_SIZE, "a zero byte follows the first form's tooltip field");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the 32-bit program hands the shell the 88-byte record");
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20 && offsetof(NOTIFYICONDATAA, szTip) == 24,
              "its fields where the shell reads them");
#endif
#ifndef _WIN32
static_assert(sizeof(NOTIFYICONDATAA) == 88, "the substitute record has the 88-byte layout");
#endif

void TrayIconRecord::Assign(const NOTIFYICONDATAA& data) {
  std::memset(&Record, 0, sizeof Record);
  std::memcpy(&Record, &data, std::min<std::size_t>(data.cbSize, sizeof Record));
}
