#include "platform/TrayIconRecord.h"

#include <algorithm>
#include <cstring>

static_assert(sizeof(TrayIconRecord) > NOTIFYICONDATAA_V1_SIZE, "a zero byte follows the first form's tooltip field");
static_assert(sizeof(NOTIFYICONDATAA::szTip) >= TrayTipLength, "szTip holds the 64-character tooltip");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the 32-bit program hands the shell the 88-byte record");
static_assert(offsetof(NOTIFYICONDATAA, hIcon) == 20 && offsetof(NOTIFYICONDATAA, szTip) == 24,
              "its fields where the shell reads them");
#endif
#ifndef _WIN32
static_assert(sizeof(NOTIFYICONDATAA) == 88, "the substitute record has the 88-byte layout");
#endif

std::string TrayIconRecord::Tip() const { return std::string(Record.szTip, ::strnlen(Record.szTip, TrayTipLength)); }

void PutTrayTip(NOTIFYICONDATAA& record, std::string_view tip) {
  const std::size_t length = std::min(tip.size(), TrayTipLength);
  std::memcpy(record.szTip, tip.data(), length);
  std::memset(record.szTip + length, ' ', TrayTipLength - length);
}

TrayIconRecord ShellRecord(const NOTIFYICONDATAA& data) {
  TrayIconRecord shown;
  std::memcpy(&shown.Record, &data, std::min<std::size_t>(data.cbSize, sizeof shown.Record));
  return shown;
}
