#pragma once
// The desktop's shell: the icon in the notification area, and opening a
// document or address with the handler the desktop has for it. Both keep
// Windows' own names and signatures: the program hands them exactly the
// record and the arguments Windows takes, and tests see what it handed.
#include "platform/ShellAPI.h"

class TrayShell {
 public:
  virtual ~TrayShell() = default;

  // Adds, changes or deletes the icon (NIM_ADD, NIM_MODIFY, NIM_DELETE).
  virtual BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) = 0;
  // Opens lpFile; an answer above 32 means it was opened.
  virtual HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                                  LPCSTR lpDirectory, INT nShowCmd) = 0;
};
