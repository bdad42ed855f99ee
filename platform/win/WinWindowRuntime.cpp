#include "platform/win/WinWindowRuntime.h"

#include <shellapi.h>

#include <cstddef>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/Trace.h"
#include "platform/resource.h"
#include "platform/win/WinPopupMenu.h"
#include "platform/win/WinProcesses.h"

// The records handed to Windows (or read from it) have its documented sizes
// in the shipped i686 program.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(WNDCLASSEXA) == 48 && sizeof(MSG) == 28 && sizeof(CREATESTRUCTA) == 48, "32-bit window records");
#endif
static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(RECT) == 16, "the dialog template's header; a rectangle");

namespace {

// A text of the program (in the ANSI code page) for a function that takes UTF-16.
std::wstring Widened(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

WinWindowRuntime::WinWindowRuntime(HINSTANCE instance, ProgramTexts texts)
    : WindowRuntime(*this, *this, *this, *this, std::move(texts)), instance_(instance) {
  // The tray icon at the shell's small-icon size, whatever the DPI.
  bigIcon_ = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_PROGRAM), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (HDC screen = GetDC(nullptr)) {
    int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpiX > 0) scale_.twipsPerPixelX = 1440.0f / static_cast<float>(dpiX);
    if (dpiY > 0) {
      scale_.twipsPerPixelY = 1440.0f / static_cast<float>(dpiY);
      scale_.dpiY = dpiY;
    }
  }
  taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");

  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = HiddenFormProc;
  wc.hInstance = instance_;
  wc.hIcon = bigIcon_;
  wc.hIconSm = smallIcon_;
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.lpszClassName = Texts().TrayWindowClass.c_str();
  RegisterClassExA(&wc);  // already registered by an earlier runtime of this process: fine
}

WinWindowRuntime::~WinWindowRuntime() {
  for (auto& [form, window] : windows_)
    if (window->hwnd != nullptr) DestroyWindow(window->hwnd);
  if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
  if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
}

int WinWindowRuntime::Run() {
  MSG msg{};
  while (!LoadedForms().empty() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    bool handled = false;
    for (auto& [form, window] : windows_) {
      if (window->dialog && window->hwnd != nullptr && IsDialogMessageA(window->hwnd, &msg)) {
        handled = true;
        break;
      }
    }
    if (!handled) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    retired_.clear();
  }
  return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}

// ---- Forms ----------------------------------------------------------------------------

void WinWindowRuntime::CreateFormWindow(Form& form) {
  auto window = std::make_unique<WinFormWindow>();
  window->runtime = this;
  window->form = &form;
  window->dialog = !form.Controls.empty();
  WinFormWindow* raw = window.get();
  windows_[&form] = std::move(window);

  HWND hwnd = nullptr;
  if (!raw->dialog) {
    // Hidden, so never in the taskbar; a tool window besides, so never in
    // the task switcher even if something showed it.
    hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, Texts().TrayWindowClass.c_str(), form.Caption.c_str(), WS_POPUP, 0,
                           0, 0, 0, nullptr, nullptr, instance_, raw);
  } else {
    hwnd = CreateDialogWindow(*raw);
  }
  if (hwnd == nullptr) {
    windows_.erase(&form);
    throw std::runtime_error("The window of " + form.Name() + " could not be created.");
  }
  form.AttachWindow(hwnd, smallIcon_);
  SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  if (raw->dialog) PlaceDialog(form, hwnd);
}

HWND WinWindowRuntime::CreateDialogWindow(WinFormWindow& window) {
  const Form& form = *window.form;
  DWORD style = WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_3DLOOK;
  if (form.ControlBox) style |= WS_SYSMENU;
  if (form.MinButton) style |= WS_MINIMIZEBOX;
  if (form.MaxButton) style |= WS_MAXIMIZEBOX;
  if (form.BorderStyle == vbSizable) style |= WS_THICKFRAME;
  DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  if (form.ShowInTaskbar) exStyle |= WS_EX_APPWINDOW;
  // An empty template: the controls are made from the form's table in
  // WM_INITDIALOG, in pixels rather than dialog units.
  struct {
    DLGTEMPLATE head;
    WORD menu, windowClass, title;
  } tmpl{};
  static_assert(offsetof(decltype(tmpl), menu) == sizeof(DLGTEMPLATE), "the template's arrays follow its header");
  tmpl.head.style = style;
  tmpl.head.dwExtendedStyle = exStyle;
  return CreateDialogIndirectParamA(instance_, &tmpl.head, nullptr, DialogFormProc, reinterpret_cast<LPARAM>(&window));
}

// The client area as the form's twips say, centred in the work area.
void WinWindowRuntime::PlaceDialog(const Form& form, HWND hwnd) const {
  RECT rc{0, 0, scale_.X(form.ClientWidth), scale_.Y(form.ClientHeight)};
  AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
  int width = rc.right - rc.left, height = rc.bottom - rc.top;
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
               work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void WinWindowRuntime::ShowForm(Form& form) {
  WinFormWindow* window = WindowOf(form);
  if (window == nullptr || window->hwnd == nullptr) return;
  HWND hwnd = window->hwnd;
  if (!IsWindowVisible(hwnd)) {
    ShowWindow(hwnd, SW_SHOWNORMAL);
  } else if (IsIconic(hwnd)) {
    ShowWindow(hwnd, SW_RESTORE);
  }
  BringWindowToTop(hwnd);
  SetForegroundWindow(hwnd);
}

void WinWindowRuntime::UpdateFormWindow(Form& form) {
  WinFormWindow* window = WindowOf(form);
  if (window == nullptr || window->hwnd == nullptr) return;
  char current[512] = "";
  GetWindowTextA(window->hwnd, current, sizeof current);
  if (form.Caption != current) SetWindowTextA(window->hwnd, form.Caption.c_str());
  window->UpdateControls();
}

void WinWindowRuntime::DestroyFormWindow(Form& form) {
  auto found = windows_.find(&form);
  if (found == windows_.end()) return;
  std::unique_ptr<WinFormWindow> window = std::move(found->second);
  windows_.erase(found);
  HWND hwnd = window->hwnd;
  window->hwnd = nullptr;
  if (hwnd != nullptr) {
    SetWindowLongPtrA(hwnd, window->dialog ? DWLP_USER : GWLP_USERDATA, 0);
    DestroyWindow(hwnd);
  }
  retired_.push_back(std::move(window));
}

void WinWindowRuntime::LastFormUnloaded() { PostQuitMessage(0); }

WinFormWindow* WinWindowRuntime::WindowOf(const Form& form) const {
  auto found = windows_.find(&form);
  return found == windows_.end() ? nullptr : found->second.get();
}

HWND WinWindowRuntime::ControlWindow(const Form& form, const Control& control) const {
  WinFormWindow* window = WindowOf(form);
  return window == nullptr ? nullptr : window->WindowOf(control);
}

// ---- Pointers -------------------------------------------------------------------------

HCURSOR WinWindowRuntime::PointerCursor(int16_t shape) const {
  switch (shape) {
    case vbDefault:
      return nullptr;
    case vbHourglass:
      return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT));
    default:
      return LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  }
}

HCURSOR WinWindowRuntime::CursorFor(const Control& control) const {
  if (control.MousePointer == vbCustom && control.MouseIcon != nullptr)
    return LoadCursorA(instance_, MAKEINTRESOURCEA(control.MouseIcon->ResourceId));
  return PointerCursor(control.MousePointer);
}

void WinWindowRuntime::ShowMousePointer(int16_t shape) {
  HCURSOR cursor = PointerCursor(shape);
  // Takes effect at once where the pointer is over one of our windows; the
  // windows keep it through WM_SETCURSOR.
  SetCursor(cursor != nullptr ? cursor : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

// ---- Messages -------------------------------------------------------------------------

LRESULT CALLBACK WinWindowRuntime::HiddenFormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* window = static_cast<WinFormWindow*>(create->lpCreateParams);
    window->hwnd = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<WinFormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (window != nullptr && window->hwnd == hwnd) {
    LRESULT result = 0;
    if (window->runtime->HandleFormMessage(*window, msg, wParam, lParam, result)) return result;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK WinWindowRuntime::DialogFormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* window = reinterpret_cast<WinFormWindow*>(lParam);
    window->hwnd = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(window));
    try {
      window->CreateControls(window->runtime->scale_, window->runtime->instance_, window->runtime->bigIcon_);
    } catch (...) {
      // The form shows what could be made.
      TraceCaught("DialogFormProc, creating the controls");
    }
    return TRUE;  // focus to the first button
  }
  auto* window = reinterpret_cast<WinFormWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (window == nullptr || window->hwnd != hwnd) return FALSE;
  LRESULT result = 0;
  if (!window->runtime->HandleFormMessage(*window, msg, wParam, lParam, result)) return FALSE;
  switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
      return static_cast<INT_PTR>(result);  // a brush, returned directly
    default:
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

bool WinWindowRuntime::HandleFormMessage(WinFormWindow& window, UINT msg, WPARAM wParam, LPARAM lParam,
                                         LRESULT& result) {
  Form& form = *window.form;
  result = 0;
  // Nothing thrown may cross the system's frames: every handler is caught here.
  try {
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
      trayIcon_.OnTaskbarCreated(window.hwnd);
      return false;  // other forms hear it too
    }
    switch (msg) {
      case WM_TIMER:
        return trayIcon_.OnTimer(window.hwnd, wParam);
      case WM_MOUSEMOVE:
        OnMouseMove(form, wParam, lParam);
        return true;
      case WM_CLOSE:
        RunEventHandler([&] { form.Unload(vbFormControlMenu); });
        return true;
      case WM_QUERYENDSESSION:
        result = OnQueryEndSession(window, lParam) ? TRUE : FALSE;
        return true;
      case WM_ENDSESSION:
        OnEndSession(window, wParam != FALSE, lParam);
        return true;
      case WM_SETCURSOR:
        result = TRUE;
        return OnSetCursor(window, wParam, lParam);
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN: {
        HBRUSH brush = window.ColorControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        result = reinterpret_cast<LRESULT>(brush);
        return brush != nullptr;
      }
      case WM_COMMAND: {
        Control* control = window.ClickedControl(wParam, lParam);
        if (control == nullptr) return false;
        form.RaiseClick(*control);
        return true;
      }
      default:
        return false;
    }
  } catch (...) {
    char where[48];
    std::snprintf(where, sizeof where, "HandleFormMessage, message 0x%04X", msg);
    TraceCaught(where);
    result = 0;
    return true;
  }
}

// The shell's callback puts the mouse code where the position goes.
void WinWindowRuntime::OnMouseMove(Form& form, WPARAM wParam, LPARAM lParam) {
  int16_t button = static_cast<int16_t>(((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) |
                                        ((wParam & MK_MBUTTON) ? 4 : 0));
  int16_t shift = static_cast<int16_t>(((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0));
  form.RaiseMouseMove(button, shift, static_cast<float>(static_cast<int16_t>(LOWORD(lParam))),
                      static_cast<float>(static_cast<int16_t>(HIWORD(lParam))));
}

// An installer that closes programs through the Restart Manager sends the
// session's two messages with ENDSESSION_CLOSEAPP; the session goes on. The
// form hears that as vbAppTaskManager: another program closes this one, as
// the terminal front end's SIGTERM does. Not vbAppWindows, which may ask the
// user and refuse (holding up the installer), nor vbFormCode,
// which would say that the program's own code closes it.
int16_t WinWindowRuntime::UnloadModeOf(LPARAM lParam) {
  return (lParam & ENDSESSION_CLOSEAPP) != 0 ? vbAppTaskManager : vbAppWindows;
}

// The form is asked now, and unloads only at WM_ENDSESSION: another
// program may still refuse the end of the session.
bool WinWindowRuntime::OnQueryEndSession(WinFormWindow& window, LPARAM lParam) {
  const int16_t mode = UnloadModeOf(lParam);
  bool agreed = true;
  // Tells Windows why the session waits while the form may be asking the
  // user (a no-op where the system has no such list).
  if (mode == vbAppWindows) ShutdownBlockReasonCreate(window.hwnd, Widened(Texts().SessionEndReason).c_str());
  RunEventHandler([&] { agreed = window.form->QueryUnload(mode); });
  if (mode == vbAppWindows && window.hwnd != nullptr) ShutdownBlockReasonDestroy(window.hwnd);
  window.endSessionPending = agreed;
  return agreed;
}

void WinWindowRuntime::OnEndSession(WinFormWindow& window, bool ending, LPARAM lParam) {
  const bool pending = window.endSessionPending;
  window.endSessionPending = false;
  if (!ending) return;
  if (pending) {
    RunEventHandler([&] { window.form->CompleteUnload(); });
  } else if (UnloadModeOf(lParam) == vbAppTaskManager) {
    // Closed without being asked first (a forced close): the whole unload now.
    RunEventHandler([&] { window.form->Unload(vbAppTaskManager); });
  }
}

// The program's pointer (the hourglass) everywhere, else a control's own.
bool WinWindowRuntime::OnSetCursor(WinFormWindow& window, WPARAM wParam, LPARAM lParam) {
  HCURSOR cursor = PointerCursor(MousePointer());
  if (cursor == nullptr && LOWORD(lParam) == HTCLIENT) {
    if (const Control* control = window.ControlOf(reinterpret_cast<HWND>(wParam))) cursor = CursorFor(*control);
  }
  if (cursor == nullptr) return false;
  SetCursor(cursor);
  return true;
}

// ---- Menus and message box ----------------------------------------------------------------

MenuItem* WinWindowRuntime::ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) {
  WinPopupMenu popup(menu);
  return popup.ChooseAtPointer(owner.hWnd(), static_cast<UINT>(Flags));
}

int32_t WinWindowRuntime::MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) {
  // The utility has no window of its own on the screen, and its questions
  // come while the user looks elsewhere (at the end of a session, behind the
  // shutdown screen): the box belongs to the tray window and comes to the
  // front, over every other window.
  HWND owner = OwnerWindow();
  // MB_SYSTEMMODAL is MB_APPLMODAL (the style's own modality) with the
  // topmost style; Wine honours it where it ignores MB_TOPMOST.
  return MessageBoxA(owner, Prompt.c_str(), Title.c_str(),
                     static_cast<UINT>(Buttons) | MB_SETFOREGROUND | MB_TOPMOST | MB_SYSTEMMODAL);
}

HWND WinWindowRuntime::OwnerWindow() const {
  HWND owner = nullptr;
  for (auto& [form, window] : windows_)
    if (!window->dialog && window->hwnd != nullptr) owner = window->hwnd;
  return owner;
}

// ---- Processes, files and the shell ---------------------------------------------------------

bool WinWindowRuntime::Launch(const std::string& ProgramPath, const std::string& CommandLine) {
  return LaunchProgram(ProgramPath, CommandLine);
}

bool WinWindowRuntime::FileExists(const std::string& Path) { return NormalFileExists(Path); }

std::string WinWindowRuntime::AppPath() { return ModuleFolder(); }

ElevatedRun WinWindowRuntime::RunElevated(const std::string& ProgramPath, const std::string& Parameters) {
  return RunElevatedAndWait(OwnerWindow(), ProgramPath, Parameters);
}

BOOL WinWindowRuntime::Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
  return trayIcon_.Notify(dwMessage, lpData);
}

HINSTANCE WinWindowRuntime::ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                                          LPCSTR lpDirectory, INT nShowCmd) {
  return ::ShellExecuteA(hwnd, lpOperation, lpFile, lpParameters, lpDirectory, nShowCmd);
}

UINT WinWindowRuntime::GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  return ::GetWindowsDirectoryA(lpBuffer, uSize);
}
