#pragma once
// modSysTray: the tray icon's record, alive for the whole run, and its
// tooltip.
//
// TrayIconData has the layout of the shell's NOTIFYICONDATAA in its first
// form, and its tooltip follows the rule of platform/TrayIconRecord.h (whose
// record it lives in).
#include <string>

#include "platform/ShellAPI.h"

extern NOTIFYICONDATAA& TrayIconData;

// "Last file applied: " + the setting "LastFileApplied" (default "None"),
// with leading and trailing blanks removed from the whole.
std::string TrayTipText();

// Puts a tooltip into TrayIconData.szTip (PutTrayTip).
void SetTrayTip(const std::string& text);
