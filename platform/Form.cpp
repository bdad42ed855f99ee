#include "platform/Form.h"

#include <stdexcept>
#include <string>
#include <utility>

#include "platform/Trace.h"
#include "platform/WindowRuntime.h"

MenuItem::MenuItem(std::string name, std::string caption, bool visible, bool enabled, int16_t index)
    : Name(std::move(name)), Index(index), Caption(std::move(caption)), Visible(visible), Enabled(enabled) {}

char MenuItem::AccessKey() const {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] != '&') return Caption[i + 1];
    ++i;  // "&&" is a literal ampersand
  }
  return 0;
}

std::string MenuItem::Text() const {
  std::string text;
  text.reserve(Caption.size());
  for (std::size_t i = 0; i < Caption.size(); ++i) {
    if (Caption[i] == '&' && i + 1 < Caption.size()) ++i;
    text += Caption[i];
  }
  return text;
}

MenuItemArray::MenuItemArray(std::string name, int16_t lowerBound,
                             const std::vector<std::string>& captions, bool visible)
    : lowerBound_(lowerBound) {
  for (std::size_t i = 0; i < captions.size(); ++i) {
    items_.push_back(std::make_unique<MenuItem>(name, captions[i], visible, true,
                                                static_cast<int16_t>(lowerBound + i)));
  }
}

MenuItem& MenuItemArray::operator()(int16_t index) {
  int position = index - lowerBound_;
  if (position < 0 || position >= Count()) {
    throw std::out_of_range("Control array element '" + std::to_string(index) + "' doesn't exist");
  }
  return *items_[static_cast<std::size_t>(position)];
}

Control::Control(std::string name, ControlKind kind, const Control* container, int32_t left,
                 int32_t top, int32_t width, int32_t height)
    : Name(std::move(name)), Kind(kind), Container(container), Left(left), Top(top), Width(width),
      Height(height) {}

Form::Form(std::string name) : name_(std::move(name)) {}

Form::~Form() {
  if (runtime_ == nullptr) return;
  // Destroyed while loaded (a test's form at the end of its scope): the
  // window goes, but no event runs and the program is not ended for it.
  try {
    runtime_->Windows().DestroyFormWindow(*this);
  } catch (...) {
    TraceCaught("Form::~Form, destroying the window");
  }
  runtime_->RemoveForm(*this);
}

void Form::AttachWindow(HWND window, HICON icon) {
  hWnd_ = window;
  icon_ = icon;
}

void Form::ForgetRuntime() {
  runtime_ = nullptr;
  visible_ = false;
}

WindowRuntime& Form::Runtime() const { return runtime_ != nullptr ? *runtime_ : ::Runtime(); }

void Form::Refresh() {
  if (runtime_ != nullptr) runtime_->Windows().UpdateFormWindow(*this);
}

void Form::Load() {
  if (runtime_ != nullptr) return;
  WindowRuntime& runtime = ::Runtime();
  runtime.AddForm(*this);
  runtime_ = &runtime;
  try {
    runtime.Windows().CreateFormWindow(*this);
  } catch (...) {
    runtime.RemoveForm(*this);
    runtime_ = nullptr;
    throw;
  }
  Form_Load();
}

void Form::Show() {
  Load();
  if (runtime_ == nullptr) return;  // Form_Load unloaded it again
  visible_ = true;
  runtime_->Windows().ShowForm(*this);
}

bool Form::QueryUnload(int16_t UnloadMode) {
  if (runtime_ == nullptr) return true;
  if (unloading_) return false;
  unloading_ = true;
  int16_t Cancel = 0;
  try {
    Form_QueryUnload(Cancel, UnloadMode);
  } catch (...) {
    unloading_ = false;
    throw;
  }
  unloading_ = false;
  return Cancel == 0;
}

void Form::CompleteUnload() {
  if (runtime_ == nullptr || unloading_) return;
  unloading_ = true;
  int16_t Cancel = 0;
  try {
    Form_Unload(Cancel);
  } catch (...) {
    unloading_ = false;
    throw;
  }
  unloading_ = false;
  if (Cancel != 0) return;
  WindowRuntime* runtime = runtime_;
  runtime->Windows().DestroyFormWindow(*this);
  hWnd_ = nullptr;
  icon_ = nullptr;
  visible_ = false;
  runtime_ = nullptr;
  if (runtime->RemoveForm(*this)) runtime->Windows().LastFormUnloaded();
}

bool Form::Unload(int16_t UnloadMode) {
  if (!QueryUnload(UnloadMode)) return false;
  CompleteUnload();
  return runtime_ == nullptr;
}

void Form::PopupMenu(MenuItem& menu, int32_t Flags) {
  MenuItem* chosen = Runtime().Dialogs().ShowPopupMenu(*this, menu, Flags);
  if (chosen == nullptr) return;
  // The chosen item's Click is an event of its own: a failure in it is
  // reported by the runtime, not handed back to the code that showed the menu.
  RaiseClick(*chosen);
}

void Form::RaiseMouseMove(int16_t Button, int16_t Shift, float xPixels, float yPixels) {
  float x = xPixels;
  float y = yPixels;
  if (ScaleMode == vbTwips) {
    x *= Runtime().Windows().TwipsPerPixelX();
    y *= Runtime().Windows().TwipsPerPixelY();
  }
  RunEventHandler([&] { Form_MouseMove(Button, Shift, x, y); });
}

void Form::RaiseClick(Control& control) {
  if (control.Click) RunEventHandler(control.Click);
}

void Form::RaiseClick(MenuItem& item) {
  if (!item.Visible || !item.Enabled || item.IsSeparator() || !item.Click) return;
  RunEventHandler(item.Click);
}
