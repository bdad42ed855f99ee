#pragma once
// The terminal front end: the window runtime of the native program, standing
// in for the Windows shell. It keeps the tray icon's state, the dialogs on
// the screen and the program's event loop; a presenter shows them: keys and
// a status line on a terminal (KeyPresenter), else one command a line and
// one line per change, so that scripts drive it (LinePresenter).
//
// End of input closes like "close" (and closes an open dialog too). SIGHUP
// asks every form to unload with reason 2 (a refusal keeps the program
// running); SIGTERM and SIGINT unload them with reasons 3 and 0. A signal
// or an any-time command closes an open popup menu and runs after it.
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <set>
#include <string>

#include "platform/WindowRuntime.h"
#include "platform/terminal/Presenter.h"
#include "platform/terminal/TerminalInput.h"

class TerminalRuntime final : public FormWindows,
                              public TrayShell,
                              public UserDialogs,
                              public ProcessesAndFiles,
                              public WindowRuntime {
 public:
  // Reads from inputFd, prints to out (changes) and err (complaints). Keys
  // are read when inputFd is a terminal, lines otherwise.
  explicit TerminalRuntime(ProgramTexts texts, int inputFd = 0, std::FILE* out = stdout, std::FILE* err = stderr);
  ~TerminalRuntime() override;

  // Loads the startup form (whose popup and mouse codes the icon carries) and
  // runs until the last form is unloaded. aboutCommand is the menu item that
  // the "about" command chooses. Returns the program's exit code.
  int Run(Form& startupForm, MenuItem& aboutCommand);

  // ---- FormWindows ----------------------------------------------------------------
  void CreateFormWindow(Form& form) override;
  void ShowForm(Form& form) override;
  void DestroyFormWindow(Form& form) override;
  void LastFormUnloaded() override { status_.ended = true; }
  float TwipsPerPixelX() const override { return 15.0f; }
  float TwipsPerPixelY() const override { return 15.0f; }
  // ---- UserDialogs ----------------------------------------------------------------
  MenuItem* ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) override;
  int32_t MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) override;
  void ShowMousePointer(int16_t shape) override;
  // ---- ProcessesAndFiles ----------------------------------------------------------
  bool Launch(const std::string& ProgramPath, const std::string& CommandLine) override;
  bool FileExists(const std::string& Path) override;
  std::string AppPath() override;
  UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) override;
  // ---- TrayShell ------------------------------------------------------------------
  BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) override;
  HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                          LPCSTR lpDirectory, INT nShowCmd) override;

 private:
  using Event = terminal::Event;

  void RunTopLevel(const Event& event);
  void Execute(const terminal::Command& command);
  void HandleSignal(int signal);
  void SendMouseCode(long code);
  void UnloadAll(int16_t mode);
  void EndSession();

  terminal::Situation Now() const;
  Form* Dialog() const;  // the open dialog form, if any
  void ClickLink(int number);
  void ClickDialogButton(bool cancel);

  terminal::TerminalInput input_;
  terminal::TrayStatus status_;
  std::unique_ptr<terminal::Presenter> presenter_;

  Form* startup_ = nullptr;
  MenuItem* aboutCommand_ = nullptr;
  uintptr_t nextHandle_ = 0x10010;
  std::set<const Form*> shown_;  // dialogs on the screen
  std::deque<Event> deferred_;   // to run when the modal state ends
};
