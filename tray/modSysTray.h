#pragma once
// modSysTray: the tray icon's record, alive for the whole run, and its
// tooltip.
//
// TrayIconData has the layout of the shell's NOTIFYICONDATAA in its first
// form; its szTip holds exactly 64 characters and no terminating zero. It
// lives in a TrayIconRecord (platform/TrayIconRecord.h), whose memory puts a
// zero after that field.
#include <string>

#include "platform/ShellAPI.h"

extern NOTIFYICONDATAA& TrayIconData;

// Bytes of szTip that the tooltip fills.
inline constexpr std::size_t TrayTipLength = 64;

// "Last file applied: " + the setting "LastFileApplied" (default "None"),
// with leading and trailing blanks removed from the whole.
std::string TrayTipText();

// Puts a tooltip into TrayIconData.szTip: blank-filled or cut to 64
// characters, with no terminating zero.
void SetTrayTip(const std::string& text);
