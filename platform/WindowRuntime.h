#pragma once
// The window runtime: everything the program asks of the desktop beyond the
// registry, in four parts, each a small interface of its own:
//   FormWindows        the forms' windows and the screen's scale
//   TrayShell          the notification area's icon, opening an address
//   UserDialogs        the popup menu, the message box, the pointer's shape
//   ProcessesAndFiles  starting programs, the files start-up looks for
// A front end (the Windows runtime, the terminal, the tests' recording
// runtime) implements the four and derives from WindowRuntime, which hands
// them to the core and keeps what every front end keeps alike: the loaded
// forms, the application-wide pointer, the program's version, and the
// program's texts (its title ...), which the program's main hands over.
//
// The core reaches it only through the process-wide current runtime
// (Runtime()), which the program's main installs.
//
// Form::Load registers a form here (AddForm), then asks for its window and
// runs Form_Load; Form::Unload runs Form_QueryUnload and Form_Unload, has
// the window destroyed and removes the form (RemoveForm); after the last
// one, LastFormUnloaded tells the front end to end the program.
//
// Event handlers the runtime raises run through Form::RaiseMouseMove,
// Form::RaiseClick, Form::Unload and RunEventHandler: a failure that escapes
// a handler is shown in a message box (the program's title as caption) and
// the program goes on running.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Form.h"
#include "platform/FormWindows.h"
#include "platform/ProcessesAndFiles.h"
#include "platform/ProgramTexts.h"
#include "platform/TrayShell.h"
#include "platform/UserDialogs.h"

// The program's version and title (App.Major and so on).
struct AppInfo {
  int16_t Major;
  int16_t Minor;
  int16_t Revision;
  std::string Title;
};

class WindowRuntime {
 public:
  WindowRuntime(const WindowRuntime&) = delete;
  WindowRuntime& operator=(const WindowRuntime&) = delete;

  FormWindows& Windows() const { return windows_; }
  TrayShell& Shell() const { return shell_; }
  UserDialogs& Dialogs() const { return dialogs_; }
  ProcessesAndFiles& Processes() const { return processes_; }

  // The program's version numbers and title.
  AppInfo App() const;
  // The names and texts the program was started with.
  const ProgramTexts& Texts() const { return texts_; }

  // Screen.MousePointer: the shape shown over every window of the program.
  int16_t MousePointer() const { return mousePointer_; }
  void SetMousePointer(int16_t shape);

  // The loaded forms, in the order they were loaded.
  const std::vector<Form*>& LoadedForms() const { return forms_; }
  // For Form: a form was loaded on this runtime, or is unloaded from it;
  // RemoveForm answers whether it was the last one.
  void AddForm(Form& form);
  bool RemoveForm(Form& form);

 protected:
  // The parts are the front end's own (usually the front end itself).
  WindowRuntime(FormWindows& windows, TrayShell& shell, UserDialogs& dialogs, ProcessesAndFiles& processes,
                ProgramTexts texts)
      : windows_(windows), shell_(shell), dialogs_(dialogs), processes_(processes), texts_(std::move(texts)) {}
  ~WindowRuntime();

 private:
  FormWindows& windows_;
  TrayShell& shell_;
  UserDialogs& dialogs_;
  ProcessesAndFiles& processes_;
  const ProgramTexts texts_;
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
