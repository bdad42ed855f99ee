#pragma once
// The window runtime on Windows: forms as real windows, the notification
// area through the shell, the popup menu, the message box, and processes.
//
// A form without controls (the tray form) is a hidden top-level window of a
// class of our own: never shown, never in the taskbar or the task switcher,
// but a top-level window all the same, so that the shell's "TaskbarCreated"
// broadcast and the end of a session reach it. A form with controls (the
// About box) is a modeless dialog laid out from its control table (twips to
// pixels at the system's DPI). The message loop passes messages through
// IsDialogMessage, so Enter and Esc press the default and cancel buttons, and
// it ends when the last form has been unloaded.
//
// The icon is kept up while the form wants one: an add that the shell
// refuses is tried again on a timer (IconAddRetry), and the icon is added
// again when Explorer announces "TaskbarCreated" and when an update finds
// that the shell has lost it. The form itself never hears of it.
//
// The shell's callback arrives as WM_MOUSEMOVE with the mouse code as the
// horizontal position; it reaches Form_MouseMove through the form model,
// which converts it to twips.
#include <windows.h>

#include <shellapi.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/IconAddRetry.h"
#include "platform/WindowRuntime.h"
#include "platform/win/WinNames.h"

// What the runtime did with the tray icon: how often it called the shell
// with each message, and the block it passed last (for in-process checks).
struct IconRecordReport {
  DWORD adds;
  DWORD modifies;
  DWORD deletes;
  DWORD lastMessage;
  BOOL lastResult;
  NOTIFYICONDATAA record;  // cbSize says how much of it the shell was told to read
};

class WinWindowRuntime final : public WindowRuntime {
 public:
  // instance: the module whose resources hold the icon and the cursors.
  explicit WinWindowRuntime(HINSTANCE instance);
  ~WinWindowRuntime() override;

  // Runs the message loop until the last form is unloaded; returns the exit code.
  int Run();

  void CreateFormWindow(Form& form) override;
  void ShowForm(Form& form) override;
  void UpdateFormWindow(Form& form) override;
  void DestroyFormWindow(Form& form) override;
  void LastFormUnloaded() override;

  MenuItem* ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) override;
  int32_t MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) override;

  float TwipsPerPixelX() const override { return twipsPerPixelX_; }
  float TwipsPerPixelY() const override { return twipsPerPixelY_; }

  bool Launch(const std::string& ProgramPath, const std::string& CommandLine) override;
  bool FileExists(const std::string& Path) override;
  std::string AppPath() override;

  BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) override;
  HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                          LPCSTR lpDirectory, INT nShowCmd) override;
  UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) override;

  // The window of a control of a loaded form, or null (for tests and the driver's checks).
  HWND ControlWindow(const Form& form, const Control& control) const;
  // The cursor the runtime shows over a control of a loaded form, or null
  // for the window's own (the arrow).
  HCURSOR CursorOver(const Form& form, const Control& control) const;
  // The icon record as last handed to the shell.
  const IconRecordReport& IconReport() const { return iconReport_; }

  using ShellNotify = std::function<BOOL(DWORD, PNOTIFYICONDATAA)>;
  // Puts another shell function in place of the system's, and another first
  // retry interval in place of a second (for tests of the icon's upkeep).
  void UseShell(ShellNotify shell, std::chrono::milliseconds firstRetry);

 protected:
  void ShowMousePointer(int16_t shape) override;

 private:
  struct FormWindow;

  static LRESULT CALLBACK HiddenFormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static INT_PTR CALLBACK DialogFormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // The messages both kinds of form window answer alike; true when handled.
  bool HandleFormMessage(FormWindow& window, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void CreateControls(FormWindow& window);
  void UpdateControls(FormWindow& window);
  HFONT FontFor(FormWindow& window, const ControlFont& font);
  HBRUSH BrushFor(FormWindow& window, OLE_COLOR color);
  HCURSOR CursorFor(const Control& control) const;
  HCURSOR PointerCursor(int16_t shape) const;
  void ReAddIcon(HWND hwnd);
  // Adds the icon as the record stands; a refusal sets the retry timer.
  BOOL AddIconNow();
  void OnIconRetryTimer(HWND hwnd);
  FormWindow* WindowOf(const Form& form) const;

  HINSTANCE instance_;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  float twipsPerPixelX_ = 15.0f;
  float twipsPerPixelY_ = 15.0f;
  int dpiY_ = 96;
  UINT taskbarCreated_ = 0;
  std::map<const Form*, std::unique_ptr<FormWindow>> windows_;
  // Windows destroyed while one of their messages may still be on the stack;
  // freed between messages.
  std::vector<std::unique_ptr<FormWindow>> retired_;
  // The icon record as the shell was last given it, in a zeroed block of
  // the platform's full NOTIFYICONDATAA: the 64-character tooltip field has
  // no zero of its own, and a shell that reads it as a C string must find
  // one right after it.
  IconRecordReport iconReport_{};
  // An icon was added and not deleted: it is kept up until deleted.
  bool iconWanted_ = false;
  ShellNotify shell_;
  IconAddRetry iconRetry_;
};
