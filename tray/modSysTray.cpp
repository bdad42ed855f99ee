#include "tray/modSysTray.h"

#include <algorithm>
#include <cstring>

#include "platform/TrayIconRecord.h"
#include "platform/Strings.h"
#include "registry/modSettings.h"

namespace {
TrayIconRecord g_trayIcon;
}  // namespace

NOTIFYICONDATAA& TrayIconData = g_trayIcon.Record;

static_assert(sizeof(TrayIconData.szTip) >= TrayTipLength, "szTip holds the 64-character tooltip");

std::string TrayTipText() {
  return Trim("Last file applied: " + GetRegSetting("Vantorel", "Options", "LastFileApplied", "None"));
}

void SetTrayTip(const std::string& text) {
  std::size_t length = std::min(text.size(), TrayTipLength);
  std::memcpy(TrayIconData.szTip, text.data(), length);
  std::memset(TrayIconData.szTip + length, ' ', TrayTipLength - length);
}
