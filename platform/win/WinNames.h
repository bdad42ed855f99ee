#pragma once
// Names by which other programs find the Windows program's windows: the
// hidden tray window, and the registered message that hands a copy of the
// icon record to a test driver.

namespace vtr::win {

inline constexpr char kTrayWindowClass[] = "VtrSysTrayHiddenForm";
inline constexpr char kTrayWindowCaption[] = "Vantorel System Tray";
inline constexpr char kAboutWindowClassHint[] = "#32770";

// SendMessage(tray, RegisterWindowMessageA(kIconRecordQuery), (WPARAM)hwndReply, 0):
// the tray window answers by sending WM_COPYDATA to hwndReply with dwData
// kIconRecordCopyData and the bytes of the record as last given to
// Shell_NotifyIconA (the whole zeroed block, so a reader sees what follows
// the tooltip field), and returns TRUE.
inline constexpr char kIconRecordQuery[] = "VtrSysTray.IconRecord";
inline constexpr unsigned long kIconRecordCopyData = 0x56545249;  // "VTRI"

}  // namespace vtr::win

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

namespace vtr::win {

// What the tray window reports about its icon: how often it called
// Shell_NotifyIconA with each message, and the block it passed last.
struct IconRecordReport {
  DWORD adds;
  DWORD modifies;
  DWORD deletes;
  DWORD lastMessage;
  BOOL lastResult;
  NOTIFYICONDATAA record;  // cbSize says how much of it the shell was told to read
};

}  // namespace vtr::win
#endif
