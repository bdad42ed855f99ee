#pragma once
// The tray icon as the Windows runtime keeps it up for the form.
//
// The form hands its record to Shell_NotifyIconA and ignores the answer;
// this keeps the icon up while the form wants one: an add that the shell
// refuses is tried again on a timer of the icon's window (IconAddRetry),
// and the icon is added again when Explorer announces "TaskbarCreated" and
// when an update finds that the shell has lost it.
#include <windows.h>
#include <shellapi.h>

#include <chrono>
#include <functional>

#include "platform/IconAddRetry.h"
#include "platform/TrayIconRecord.h"

class WinTrayIcon {
 public:
  using ShellNotify = std::function<BOOL(DWORD, PNOTIFYICONDATAA)>;

  WinTrayIcon();

  // The form's call; the shell's answer, after any re-add it prompted.
  BOOL Notify(DWORD message, PNOTIFYICONDATAA data);
  // The window got a timer message: true when it was this retry's.
  bool OnTimer(HWND hwnd, UINT_PTR timerId);
  // Explorer started again and knows no icon.
  void OnTaskbarCreated(HWND hwnd);

  // Another shell function in place of the system's, and another first
  // retry interval in place of a second (for tests).
  void UseShell(ShellNotify shell, std::chrono::milliseconds firstRetry);

 private:
  // Adds the icon as the record stands; a refusal sets the retry timer.
  BOOL AddNow();
  void StopRetrying();

  // The record as the shell was last given it (ShellRecord).
  TrayIconRecord record_;
  bool wanted_ = false;  // added and not deleted
  ShellNotify shell_;
  IconAddRetry retry_;
};
