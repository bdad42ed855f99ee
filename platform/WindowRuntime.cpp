#include "platform/WindowRuntime.h"

#include "platform/MsgBox.h"

#include <algorithm>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>

#include "vtr_version.h"

namespace {
WindowRuntime* g_current = nullptr;
}

WindowRuntime::~WindowRuntime() {
  // Forms that outlive their runtime forget it rather than call into it.
  for (Form* form : forms_) form->ForgetRuntime();
}

void WindowRuntime::SetMousePointer(int16_t shape) {
  mousePointer_ = shape;
  dialogs_.ShowMousePointer(shape);
}

AppInfo WindowRuntime::App() const {
  return AppInfo{VTR_VERSION_MAJOR, VTR_VERSION_MINOR, VTR_VERSION_REVISION, texts_.Title};
}

void WindowRuntime::AddForm(Form& form) { forms_.push_back(&form); }

bool WindowRuntime::RemoveForm(Form& form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
  return forms_.empty();
}

WindowRuntime& Runtime() {
  if (g_current == nullptr) throw std::logic_error("no window runtime is installed");
  return *g_current;
}

bool HasRuntime() { return g_current != nullptr; }

WindowRuntime* SetRuntime(WindowRuntime* runtime) {
  WindowRuntime* previous = g_current;
  g_current = runtime;
  return previous;
}

void RunEventHandler(const std::function<void()>& handler) {
  std::string description;
  try {
    handler();
    return;
  } catch (const std::exception& failure) {
    description = failure.what();
  } catch (...) {
    description = "An unexpected error occurred.";
  }
  MsgBox(description, vbOKOnly | vbExclamation);
}

int32_t MsgBox(const std::string& Prompt, int32_t Buttons) {
  if (!HasRuntime()) return 0;
  try {
    WindowRuntime& runtime = Runtime();
    return runtime.Dialogs().MsgBox(Prompt, Buttons, runtime.App().Title);
  } catch (...) {
    return 0;  // nothing more can be shown; the program goes on
  }
}
