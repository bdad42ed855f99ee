#pragma once
// The terminal front end: the window runtime of the native program, standing
// in for the Windows shell. The tray icon is a status line with its tooltip
// and the busy pointer; keys send the shell's mouse codes; the popup menu is
// a list, the message box a prompt, a dialog form a framed panel.
//
// With standard input not a terminal it reads one command a line, so that
// scripts drive it, and prints one line per change of what a person would
// see (the tooltip, the popup's items, message boxes, the dialog's texts,
// launches and opened addresses). The commands:
//   move | dblclick | rclick | code N      the icon's mouse codes 0x200, 0x203, 0x205, N
//   choose X | dismiss                     while the popup is open
//   yes | no | ok | cancel                 while a message box is open
//   link 1 | link 2 | ok                   while a dialog is open
//   close | endsession | about             at any time (unload reason 0, session end, the menu command)
// End of input closes like "close" (and closes an open dialog too). An
// unknown or misplaced command is answered on standard error and changes
// nothing. SIGHUP asks every form to unload with reason 2 (a refusal keeps
// the program running); SIGTERM and SIGINT unload them with reasons 3 and 0.
#include <cstdint>
#include <cstdio>
#include <deque>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <termios.h>

#include "platform/WindowRuntime.h"

class TerminalRuntime : public WindowRuntime {
 public:
  // Reads from inputFd, prints to out (changes) and err (complaints). Keys
  // are read when inputFd is a terminal, lines otherwise.
  explicit TerminalRuntime(int inputFd = 0, std::FILE* out = stdout, std::FILE* err = stderr);
  ~TerminalRuntime() override;

  // Loads the startup form (whose popup and mouse codes the icon carries) and
  // runs until the last form is unloaded. aboutCommand is the menu item that
  // the "about" command chooses. Returns the program's exit code.
  int Run(Form& startupForm, MenuItem& aboutCommand);

  // ---- WindowRuntime ------------------------------------------------------------
  void CreateFormWindow(Form& form) override;
  void ShowForm(Form& form) override;
  void DestroyFormWindow(Form& form) override;
  void LastFormUnloaded() override { ended_ = true; }
  MenuItem* ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) override;
  int32_t MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) override;
  float TwipsPerPixelX() const override { return 15.0f; }
  float TwipsPerPixelY() const override { return 15.0f; }
  bool Launch(const std::string& ProgramPath, const std::string& CommandLine) override;
  bool FileExists(const std::string& Path) override;
  std::string AppPath() override;
  BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) override;
  HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                          LPCSTR lpDirectory, INT nShowCmd) override;
  UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) override;

 protected:
  void ShowMousePointer(int16_t shape) override;

 private:
  // One thing that happened: a line or key of input, a signal, or the end of input.
  struct Event {
    enum Kind { Line, Key, Signal, End } kind;
    std::string text;  // the line, or the key ("a", "\n", "\x1b", "up", "down")
    int signal = 0;
  };

  Event NextEvent();
  // more: input may still come to finish an escape sequence.
  std::optional<Event> TakeBuffered(bool more);
  void RunTopLevel(const Event& event);
  void RunCommand(const std::string& line);
  void RunKey(const std::string& key);
  void HandleSignal(int signal);
  void SendMouseCode(long code);
  void UnloadAll(int16_t mode);
  void EndSession();
  // The command is one that may run at any time; in a modal state it waits
  // until the modal state ends.
  bool IsAnyTimeCommand(const std::string& line) const;

  Form* Dialog() const;  // the open dialog form, if any
  void ClickLink(int number);
  void ClickDialogButton(bool cancel);

  void Print(const std::string& line);
  void Complain(const std::string& line);
  void DrawStatus();
  void ClearStatus();
  std::string PanelOf(Form& form) const;

  int inputFd_;
  std::FILE* out_;
  std::FILE* err_;
  bool keys_;  // a terminal: keys and a status line
  bool rawMode_ = false;
  termios savedTermios_{};
  bool statusShown_ = false;

  Form* startup_ = nullptr;
  MenuItem* aboutCommand_ = nullptr;
  bool ended_ = false;
  bool inputEnded_ = false;
  std::string tip_;
  bool iconShown_ = false;
  uintptr_t nextHandle_ = 0x10010;
  std::set<const Form*> shown_;     // dialogs on the screen
  std::string pending_;              // input read but not yet taken
  std::deque<Event> deferred_;       // to run when the modal state ends
};
