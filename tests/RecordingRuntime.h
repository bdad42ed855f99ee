#pragma once
// A window runtime for tests: it shows nothing, answers from a script and
// records every call the program makes of it, in order.
//
//   RecordingRuntime runtime;        // installs itself as the current runtime
//   runtime.ExistingFiles.insert("C:\\Tools\\Vtr.exe");
//   runtime.MsgBoxAnswers.push_back(vbYes);
//   runtime.ChoosePopupItem("mnuFileRecent", 2);
//   frmSysTray form; form.Load(); form.RaiseMouseMove(0, 0, WM_RBUTTONUP, 0);
//   EXPECT_EQ(runtime.CallsStartingWith("Launch "), Lines{"Launch ..."});
#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/WindowRuntime.h"
#include "tray/TrayTexts.h"

class RecordingRuntime : public FormWindows,
                         public TrayShell,
                         public UserDialogs,
                         public ProcessesAndFiles,
                         public WindowRuntime {
 public:
  // Installs itself as the current runtime; the previous one comes back at destruction.
  RecordingRuntime() : WindowRuntime(*this, *this, *this, *this, TrayTexts()), previous_(SetRuntime(this)) {}
  ~RecordingRuntime() override { SetRuntime(previous_); }

  // ---- What the runtime answers ------------------------------------------------
  std::string WindowsDirectory = "C:\\WINDOWS";  // GetWindowsDirectoryA; AppPath() is C:\Tools
  std::set<std::string> ExistingFiles;           // FileExists, without regard to case
  std::set<std::string> FailingPrograms;         // Launch of these program paths fails
  std::deque<int32_t> MsgBoxAnswers;             // taken in turn; vbNo (Yes/No) or vbOK when empty
  // RunElevated's answers, taken in turn; a declined prompt when empty. The
  // elevated program's work (a registry change) is the test's, through OnCall.
  std::deque<ElevatedRun> ElevatedAnswers;
  float TwipsX = 15.0f;
  // The next popup menu chooses this item (by name and array index), or is
  // dismissed (an empty name); with nothing scripted it is dismissed.
  void ChoosePopupItem(const std::string& name, int16_t index = MenuItem::NoIndex) {
    popupChoices_.push_back({name, index});
  }

  // ---- What the program did ---------------------------------------------------------
  // Message: NIM_ADD, NIM_MODIFY, NIM_DELETE; Tip: the text a shell shows
  // (platform/TrayIconRecord.h); ZeroAfterTip: the byte after szTip in the
  // program's record is zero.
  struct IconCall {
    DWORD Message; HWND hWnd; std::string Tip; bool ZeroAfterTip;
  };
  // Every call, in order, as one line of text each ("MousePointer 11",
  // "PopupMenu mnuConfigure 2", "RunElevated PROGRAM PARAMETERS",
  // "Launch COMMANDLINE", "MsgBox BUTTONS TITLE: PROMPT",
  // "ShellExecuteA OWNER-FORM OPERATION FILE PARAMETERS DIRECTORY SHOW" with
  // "(null)" for a null text ...).
  std::vector<std::string> Calls;
  std::vector<IconCall> IconCalls;
  bool Ended = false;  // the last form was unloaded

  // Runs after each call is recorded, with its line: lets a test look at
  // (or change) the registry at a given moment of the program's run.
  std::function<void(const std::string& call)> OnCall;

  // The calls whose line starts with the text, in order.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;

  // ---- FormWindows ------------------------------------------------------------
  void CreateFormWindow(Form& form) override;
  void ShowForm(Form& form) override { Record("ShowForm " + form.Name()); }
  void UpdateFormWindow(Form& form) override {
    Record("UpdateFormWindow " + form.Name() + " ShowInTaskbar=" + (form.ShowInTaskbar ? "1" : "0"));
  }
  void DestroyFormWindow(Form& form) override { Record("DestroyFormWindow " + form.Name()); }
  void LastFormUnloaded() override {
    Ended = true;
    Record("LastFormUnloaded");
  }
  float TwipsPerPixelX() const override { return TwipsX; }
  float TwipsPerPixelY() const override { return 15.0f; }
  // ---- UserDialogs --------------------------------------------------------------
  MenuItem* ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) override;
  int32_t MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) override;
  void ShowMousePointer(int16_t shape) override { Record("MousePointer " + std::to_string(shape)); }
  // ---- ProcessesAndFiles --------------------------------------------------------
  bool Launch(const std::string& ProgramPath, const std::string& CommandLine) override;
  bool FileExists(const std::string& Path) override;
  std::string AppPath() override { return "C:\\Tools"; }
  ElevatedRun RunElevated(const std::string& ProgramPath, const std::string& Parameters) override;
  UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) override;
  // ---- TrayShell -----------------------------------------------------------------
  BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) override;
  HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                          LPCSTR lpDirectory, INT nShowCmd) override;

 private:
  void Record(const std::string& call) {
    Calls.push_back(call);
    if (OnCall) OnCall(call);
  }

  std::deque<std::pair<std::string, int16_t>> popupChoices_;  // name ("" to dismiss), index
  static uintptr_t nextHandle_;  // handles differ across runtimes, as across processes
  WindowRuntime* previous_;
};
