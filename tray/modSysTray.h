#pragma once
// modSysTray: the tray icon's record, alive for the whole run, and its
// tooltip.
//
// TrayIconData has the layout of the shell's NOTIFYICONDATAA in its first
// form (cbSize NOTIFYICONDATAA_V1_SIZE: 88 bytes in the 32-bit program and on
// the substitute platform). Its szTip holds exactly 64 characters and no
// terminating zero; the record lives in zeroed memory that reaches past that
// field (on Windows, a whole NOTIFYICONDATAA of the platform's full size), so
// a shell that reads szTip as a C string finds a zero after it and nothing
// foreign.
#include <string>

#include "platform/modShellAPI.h"

extern NOTIFYICONDATAA& TrayIconData;

// Bytes of szTip that the tooltip fills.
inline constexpr std::size_t TrayTipLength = 64;

// "Last file applied: " + the setting "LastFileApplied" (default "None"),
// with leading and trailing blanks removed from the whole.
std::string TrayTipText();

// Puts a tooltip into TrayIconData.szTip: blank-filled or cut to 64
// characters, with no terminating zero.
void SetTrayTip(const std::string& text);
