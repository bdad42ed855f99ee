#include "tray/modSysTray.h"

#include "platform/Strings.h"
#include "platform/TrayIconRecord.h"
#include "registry/modSettings.h"

namespace {
TrayIconRecord g_trayIcon;
}  // namespace

NOTIFYICONDATAA& TrayIconData = g_trayIcon.Record;

std::string TrayTipText() {
  return Trim("Last file applied: " + GetRegSetting("Vantorel", "Options", "LastFileApplied", "None"));
}

void SetTrayTip(const std::string& text) { PutTrayTip(TrayIconData, text); }
