#pragma once
// The window runtime on Windows: forms as real windows, the notification
// area through the shell, the popup menu, the message box, and processes.
//
// A form without controls (the tray form) is a hidden top-level window of a
// class of our own: never shown, never in the taskbar or the task switcher,
// but a top-level window all the same, so that the shell's "TaskbarCreated"
// broadcast and the end of a session reach it. A form with controls (the
// About box) is a modeless dialog laid out from its control table
// (WinFormWindow). The message loop passes messages through
// IsDialogMessage, so Enter and Esc press the default and cancel buttons, and
// it ends when the last form has been unloaded.
//
// The shell's callback arrives as WM_MOUSEMOVE with the mouse code as the
// horizontal position; it reaches Form_MouseMove through the form model,
// which converts it to twips. The icon itself is kept up by WinTrayIcon.
#include <windows.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/WindowRuntime.h"
#include "platform/win/WinFormWindow.h"
#include "platform/win/WinTrayIcon.h"

class WinWindowRuntime final : public FormWindows,
                               public TrayShell,
                               public UserDialogs,
                               public ProcessesAndFiles,
                               public WindowRuntime {
 public:
  // instance: the module whose resources hold the icon and the cursors;
  // texts: the program's, its tray window's class among them.
  WinWindowRuntime(HINSTANCE instance, ProgramTexts texts);
  ~WinWindowRuntime() override;

  // Runs the message loop until the last form is unloaded; returns the exit code.
  int Run();

  // ---- FormWindows ----------------------------------------------------------------
  void CreateFormWindow(Form& form) override;
  void ShowForm(Form& form) override;
  void UpdateFormWindow(Form& form) override;
  void DestroyFormWindow(Form& form) override;
  void LastFormUnloaded() override;
  float TwipsPerPixelX() const override { return scale_.twipsPerPixelX; }
  float TwipsPerPixelY() const override { return scale_.twipsPerPixelY; }
  // ---- UserDialogs ----------------------------------------------------------------
  MenuItem* ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) override;
  int32_t MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) override;
  void ShowMousePointer(int16_t shape) override;
  // ---- ProcessesAndFiles ----------------------------------------------------------
  bool Launch(const std::string& ProgramPath, const std::string& CommandLine) override;
  bool FileExists(const std::string& Path) override;
  std::string AppPath() override;
  ElevatedRun RunElevated(const std::string& ProgramPath, const std::string& Parameters) override;
  UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) override;
  // ---- TrayShell ------------------------------------------------------------------
  BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) override;
  HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                          LPCSTR lpDirectory, INT nShowCmd) override;

  // The window of a control of a loaded form, or null (for in-process checks).
  HWND ControlWindow(const Form& form, const Control& control) const;
  // Another shell function and first retry interval for the icon (for tests).
  void UseShell(WinTrayIcon::ShellNotify shell, std::chrono::milliseconds firstRetry) {
    trayIcon_.UseShell(std::move(shell), firstRetry);
  }

 private:
  static LRESULT CALLBACK HiddenFormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK DialogFormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The messages both kinds of form window answer alike; true when handled.
  bool HandleFormMessage(WinFormWindow& window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void OnMouseMove(Form& form, WPARAM wParam, LPARAM lParam);
  static int16_t UnloadModeOf(LPARAM endSessionFlags);
  bool OnQueryEndSession(WinFormWindow& window, LPARAM lParam);
  void OnEndSession(WinFormWindow& window, bool ending, LPARAM lParam);
  bool OnSetCursor(WinFormWindow& window, WPARAM wParam, LPARAM lParam);
  HWND CreateDialogWindow(WinFormWindow& window);
  void PlaceDialog(const Form& form, HWND hwnd) const;
  HCURSOR CursorFor(const Control& control) const;
  HCURSOR PointerCursor(int16_t shape) const;
  WinFormWindow* WindowOf(const Form& form) const;
  // The tray form's window, which owns the program's boxes and prompts.
  HWND OwnerWindow() const;

  HINSTANCE instance_;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  WinScale scale_;
  UINT taskbarCreated_ = 0;
  std::map<const Form*, std::unique_ptr<WinFormWindow>> windows_;
  // Windows destroyed while one of their messages may still be on the stack;
  // freed between messages.
  std::vector<std::unique_ptr<WinFormWindow>> retired_;
  WinTrayIcon trayIcon_;
};
