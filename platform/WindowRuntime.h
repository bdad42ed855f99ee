#pragma once
// The window runtime: everything the program asks of the desktop beyond the
// registry. Forms, menus and the popup, the message box, the mouse pointer,
// twips, launching programs, the file system's view that start-up needs, the
// program's own folder, version and title, and the three Windows functions
// Shell_NotifyIconA, ShellExecuteA and GetWindowsDirectoryA.
//
// The core reaches it only through the process-wide current runtime
// (Runtime()), which the program's main installs: the Windows runtime on
// Windows, the terminal front end on Linux, and a recording runtime in the
// tests, which scripts the answers and records the calls.
//
// An implementation supplies the pure virtual functions. The bookkeeping of
// loaded forms and the application-wide mouse pointer live here, so every
// runtime behaves alike: Form::Load registers a form (CreateFormWindow, then
// Form_Load); Form::Unload removes it (Form_QueryUnload, Form_Unload,
// DestroyFormWindow); after the last one, LastFormUnloaded tells the runtime
// to end the program.
//
// Event handlers the runtime raises run through Form::RaiseMouseMove,
// Form::RaiseClick, Form::Unload and RunEventHandler: a failure that escapes
// a handler is shown in a message box (the program's title as caption) and
// the program goes on running.
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "platform/Form.h"
#include "platform/ShellAPI.h"

// The program's version and title (App.Major and so on).
struct AppInfo {
  int16_t Major;
  int16_t Minor;
  int16_t Revision;
  std::string Title;
};

// How a program run with administrator rights went: Error is ERROR_SUCCESS
// when it ran (ExitCode is then its exit code), ERROR_CANCELLED when the
// user declined to give the rights, or why it could not be run.
struct ElevatedRun {
  DWORD Error;
  DWORD ExitCode;
};

class WindowRuntime {
 public:
  WindowRuntime() = default;
  virtual ~WindowRuntime();
  WindowRuntime(const WindowRuntime&) = delete;
  WindowRuntime& operator=(const WindowRuntime&) = delete;

  // ---- Forms ---------------------------------------------------------------

  // The loaded forms, in the order they were loaded.
  const std::vector<Form*>& Forms() const { return forms_; }

  // Makes the form's window (hidden) and hands it its handle and icon with
  // form.AttachWindow; runs before Form_Load.
  virtual void CreateFormWindow(Form& form) = 0;
  // Shows the form modelessly, without an owner; when it is shown already,
  // brings it to the front.
  virtual void ShowForm(Form& form) = 0;
  // A property that the runtime shows (caption, ShowInTaskbar, a control's
  // caption) has changed.
  virtual void UpdateFormWindow(Form& form) { (void)form; }
  // Destroys the form's window; runs after Form_Unload.
  virtual void DestroyFormWindow(Form& form) = 0;
  // The last form was unloaded: the program ends (the runtime leaves its
  // message loop; it need not return from here at once).
  virtual void LastFormUnloaded() = 0;

  // ---- Menus and message box -------------------------------------------------

  // Shows menu.Items as a popup menu at the pointer (modal), with the items'
  // captions, separators, visible and enabled states and no default item.
  // Returns the chosen item (visible, enabled, not a separator), or null when
  // the menu was dismissed. The caller runs the item's handler.
  virtual MenuItem* ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) = 0;

  // A modal message box: Buttons is a MsgBoxStyle sum (buttons + icon +
  // default button). Returns a MsgBoxResult (vbYes, vbNo, vbOK ...).
  virtual int32_t MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) = 0;

  // ---- Screen --------------------------------------------------------------

  // Screen.MousePointer: the shape shown over every window of the program.
  int16_t MousePointer() const { return mousePointer_; }
  void SetMousePointer(int16_t shape);
  // Twips in one screen pixel, at the system's DPI (15 at 96 DPI).
  virtual float TwipsPerPixelX() const = 0;
  virtual float TwipsPerPixelY() const = 0;

  // ---- Process and files --------------------------------------------------------

  // Starts a program as a new process in a normal window that takes the
  // focus, without waiting for it. ProgramPath is the executable to start
  // (so that no other program can start in its place, whatever the command
  // line holds); CommandLine is handed to it unchanged. True when it started.
  virtual bool Launch(const std::string& ProgramPath, const std::string& CommandLine) = 0;
  // True when a normal file of exactly that name exists: not a folder, not
  // hidden, not a system file.
  virtual bool FileExists(const std::string& Path) = 0;
  // The folder of the program's own executable, without a trailing
  // backslash except for a drive root ("C:\").
  virtual std::string AppPath() = 0;
  // The program's version numbers and title; by default the build's.
  virtual AppInfo App() const;
  // Runs a program with administrator rights, which the system asks the
  // user for (the user's own consent, or an administrator's password),
  // hidden, and waits for it to end. Where nothing can raise a program's
  // rights the answer is ERROR_NOT_SUPPORTED, which is the default.
  virtual ElevatedRun RunElevated(const std::string& ProgramPath, const std::string& Parameters);

  // ---- Windows functions, with Windows' signatures ----------------------------------

  virtual BOOL Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) = 0;
  virtual HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile,
                                  LPCSTR lpParameters, LPCSTR lpDirectory, INT nShowCmd) = 0;
  virtual UINT GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) = 0;

 protected:
  // Presents a new application-wide pointer shape.
  virtual void ShowMousePointer(int16_t shape) = 0;

 private:
  friend class Form;
  void AddForm(Form& form);
  // endWhenLast: tell the runtime when this was its last form.
  void RemoveForm(Form& form, bool endWhenLast);

  std::vector<Form*> forms_;
  int16_t mousePointer_ = vbDefault;
};

// The current runtime. Calling it while none is installed is a programming
// error (std::logic_error).
WindowRuntime& Runtime();
bool HasRuntime();
// Installs a runtime as the current one (null removes it); returns the previous one.
WindowRuntime* SetRuntime(WindowRuntime* runtime);

// Installs a runtime for the life of a scope, then puts back the previous one.
class ScopedRuntime {
 public:
  explicit ScopedRuntime(WindowRuntime& runtime) : previous_(SetRuntime(&runtime)) {}
  ~ScopedRuntime() { SetRuntime(previous_); }
  ScopedRuntime(const ScopedRuntime&) = delete;
  ScopedRuntime& operator=(const ScopedRuntime&) = delete;

 private:
  WindowRuntime* previous_;
};

// Runs an event handler as the runtime raises it: a failure that escapes it
// is shown in a message box (its description, an exclamation icon, OK, the
// program's title) and does not end the program.
void RunEventHandler(const std::function<void()>& handler);

// A launch that did not start its program; its description names the
// program, and on a second line the reason when one is known.
class LaunchError : public std::exception {
 public:
  explicit LaunchError(std::string programPath, const std::string& reason = "");
  const char* what() const noexcept override { return description_.c_str(); }
  const std::string& ProgramPath() const { return programPath_; }

 private:
  std::string programPath_;
  std::string description_;
};
