#include "tray/modSysTray.h"

#include <algorithm>
#include <cstring>

#include "platform/modStrings.h"
#include "registry/modSettings.h"

namespace {

// The record and, behind it, zero bytes that no one writes: natively the
// 88-byte record ends with szTip, on Windows the platform's full record
// already reaches past it.
struct TrayIconMemory {
  NOTIFYICONDATAA Record;
  CHAR Terminator[8];
};
TrayIconMemory g_trayIconMemory{};


}  // namespace

NOTIFYICONDATAA& TrayIconData = g_trayIconMemory.Record;

static_assert(sizeof(TrayIconData.szTip) >= TrayTipLength, "szTip holds the 64-character tooltip");
static_assert(sizeof(TrayIconMemory) > NOTIFYICONDATAA_V1_SIZE,
              "a zero byte follows the record's tooltip field");
#if defined(_WIN32) && !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the 32-bit program hands the shell the 88-byte record");
#endif
#ifndef _WIN32
static_assert(sizeof(NOTIFYICONDATAA) == 88, "the substitute record has the 88-byte layout");
#endif

std::string TrayTipText() {
  return Trim("Last file applied: " + GetRegSetting("Vantorel", "Options", "LastFileApplied", "None"));
}

void SetTrayTip(const std::string& text) {
  std::size_t length = std::min(text.size(), TrayTipLength);
  std::memcpy(TrayIconData.szTip, text.data(), length);
  std::memset(TrayIconData.szTip + length, ' ', TrayTipLength - length);
}
