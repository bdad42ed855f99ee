#pragma once
// A window runtime for tests: it shows nothing, answers from a script and
// records every call the program makes of it, in order.
//
//   RecordingRuntime runtime;        // installs itself as the current runtime
//   runtime.ExistingFiles.insert("C:\\Tools\\Vtr.exe");
//   runtime.MsgBoxAnswers.push_back(vbYes);
//   runtime.ChoosePopupItem("mnuFileRecent", 2);
//   frmSysTray form; form.Load(); form.RaiseMouseMove(0, 0, WM_RBUTTONUP, 0);
//   EXPECT_EQ(runtime.Launches.at(0).CommandLine, ...);
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/WindowRuntime.h"

class RecordingRuntime : public WindowRuntime {
 public:
  // Installs itself as the current runtime; the previous one comes back at destruction.
  RecordingRuntime();
  ~RecordingRuntime() override;

  // ---- What the runtime answers ------------------------------------------------
  std::string AppFolder = "C:\\Tools";         // AppPath()
  std::string WindowsDirectory = "C:\\WINDOWS";  // GetWindowsDirectoryA
  std::set<std::string> ExistingFiles;         // FileExists, without regard to case
  std::set<std::string> FailingPrograms;       // Launch of these program paths fails
  std::deque<int32_t> MsgBoxAnswers;           // taken in turn; vbNo (Yes/No) or vbOK when empty
  std::optional<AppInfo> Version;              // App(); the build's when empty
  // RunElevated's answers, taken in turn; a declined prompt when empty. The
  // elevated program's work (a registry change) is the test's, through OnCall.
  std::deque<ElevatedRun> ElevatedAnswers;
  float TwipsX = 15.0f;
  float TwipsY = 15.0f;

  // The next popup menu chooses this item (by name and array index), or is
  // dismissed; with nothing scripted it is dismissed.
  void ChoosePopupItem(const std::string& name, int16_t index = MenuItem::NoIndex);
  void DismissPopup();

  // ---- What the program did ---------------------------------------------------------
  struct IconCall {
    DWORD Message;               // NIM_ADD, NIM_MODIFY, NIM_DELETE
    std::vector<uint8_t> Bytes;  // the record's first cbSize bytes
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    std::string Tip;             // szTip's 64 characters
    bool ZeroAfterTip;           // the byte after szTip's 64 characters is zero
  };
  struct LaunchCall {
    std::string ProgramPath;
    std::string CommandLine;
    bool Started;
  };
  struct ShellExecuteCall {
    HWND hwnd;
    std::optional<std::string> Operation, File, Parameters, Directory;
    INT ShowCmd;
  };
  struct ElevatedCall {
    std::string ProgramPath;
    std::string Parameters;
  };
  struct MsgBoxCall {
    std::string Prompt;
    int32_t Buttons;
    std::string Title;
    int32_t Answer;
  };
  struct MenuItemState {
    std::string Name;
    int16_t Index;
    std::string Caption;
    bool Visible;
    bool Enabled;
  };
  using PopupSnapshot = std::vector<MenuItemState>;

  std::vector<std::string> Calls;  // every call, in order, as one line of text each
  std::vector<IconCall> IconCalls;
  std::vector<LaunchCall> Launches;
  std::vector<ShellExecuteCall> ShellExecutes;
  std::vector<MsgBoxCall> MsgBoxes;
  std::vector<ElevatedCall> ElevatedRuns;
  std::vector<PopupSnapshot> Popups;  // the menu's items as each popup showed them
  std::vector<int32_t> PopupFlags;
  std::vector<int16_t> PointerShapes;  // each application-wide pointer change
  std::vector<std::string> ShownForms;  // each ShowForm, by form name
  int WindowsCreated = 0;
  int WindowsDestroyed = 0;
  bool Ended = false;  // the last form was unloaded

  // Runs after each call is recorded, with its line: lets a test look at
  // (or change) the registry at a given moment of the program's run.
  std::function<void(const std::string& call)> OnCall;

  // The calls whose line starts with the text, in order.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;

  // ---- WindowRuntime ------------------------------------------------------------
  void CreateFormWindow(Form& form) override;
  void ShowForm(Form& form) override;
  void UpdateFormWindow(Form& form) override;
  void DestroyFormWindow(Form& form) override;
  void LastFormUnloaded() override;
  MenuItem* ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) override;
  int32_t MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) override;
  float TwipsPerPixelX() const override { return TwipsX; }
  float TwipsPerPixelY() const override { return TwipsY; }
  bool Launch(const std::string& ProgramPath, const std::string& CommandLine) override;
  bool FileExists(const std::string& Path) override;
  std::string AppPath() override;
  AppInfo App() const override;
  ElevatedRun RunElevated(const std::string& ProgramPath, const std::string& Parameters) override;
  BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) override;
  HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                          LPCSTR lpDirectory, INT nShowCmd) override;
  UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) override;

 protected:
  void ShowMousePointer(int16_t shape) override;

 private:
  struct PopupChoice {
    bool Dismiss;
    std::string Name;
    int16_t Index;
  };
  void Record(std::string call);

  std::deque<PopupChoice> popupChoices_;
  static uintptr_t nextHandle_;  // handles differ across runtimes, as across processes
  WindowRuntime* previous_;
};
