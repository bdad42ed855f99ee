#include "platform/win/WinWindowRuntime.h"

#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "platform/win/WinPopupMenu.h"
#include "platform/win/resource.h"

#if defined(_WIN32) && !defined(_WIN64)
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "the 32-bit program hands the shell the 88-byte icon record");
#endif
static_assert(sizeof(NOTIFYICONDATAA) > NOTIFYICONDATAA_V1_SIZE,
              "the full record reaches past the first form's tooltip field");

namespace {

constexpr int kFirstControlId = 1000;
// The timer on the tray window that tries a refused icon again.
constexpr UINT_PTR kIconRetryTimer = 1;

// The cursors drawn for the program, by the file a control's MouseIcon names.
struct CursorResource {
  const char* file;
  int id;
};
constexpr CursorResource kCursorResources[] = {{"about/hand.cur", IDC_VTRLINKHAND}};

COLORREF ColorOf(OLE_COLOR color) {
  return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFF)) : static_cast<COLORREF>(color);
}

int Pixels(int32_t twips, float twipsPerPixel) { return static_cast<int>(std::lround(twips / twipsPerPixel)); }

}  // namespace

// One form's window and what the runtime made for it.
struct WinWindowRuntime::FormWindow {
  WinWindowRuntime* runtime = nullptr;
  Form* form = nullptr;
  HWND hwnd = nullptr;
  bool dialog = false;
  bool endSessionPending = false;  // agreed to end the session, waiting for WM_ENDSESSION
  std::map<HWND, Control*> controlsByWindow;
  std::map<int, Control*> controlsById;
  std::map<const Control*, HWND> windowsByControl;
  std::vector<std::pair<LOGFONTA, HFONT>> fonts;
  std::map<OLE_COLOR, HBRUSH> brushes;

  ~FormWindow() {
    for (auto& [face, font] : fonts) DeleteObject(font);
    for (auto& [color, brush] : brushes)
      if (!IsSystemColor(color)) DeleteObject(brush);
  }
  Control* DefaultButton() const {
    for (auto& [id, control] : controlsById)
      if (control->Kind == ControlKind::CommandButton && control->Default) return control;
    return nullptr;
  }
  Control* CancelButton() const {
    for (auto& [id, control] : controlsById)
      if (control->Kind == ControlKind::CommandButton && control->Cancel) return control;
    return nullptr;
  }
};

WinWindowRuntime::WinWindowRuntime(HINSTANCE instance)
    : instance_(instance), shell_([](DWORD message, PNOTIFYICONDATAA data) { return ::Shell_NotifyIconA(message, data); }) {
  bigIcon_ = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_VTRSYSTRAY), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  smallIcon_ = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_VTRSYSTRAY), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (HDC screen = GetDC(nullptr)) {
    int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (dpiX > 0) twipsPerPixelX_ = 1440.0f / static_cast<float>(dpiX);
    if (dpiY > 0) {
      twipsPerPixelY_ = 1440.0f / static_cast<float>(dpiY);
      dpiY_ = dpiY;
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
  wc.lpszClassName = vtr::win::kTrayWindowClass;
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
  while (!Forms().empty() && GetMessageA(&msg, nullptr, 0, 0) > 0) {
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
  auto window = std::make_unique<FormWindow>();
  window->runtime = this;
  window->form = &form;
  window->dialog = !form.Controls.empty();
  FormWindow* raw = window.get();
  windows_[&form] = std::move(window);

  HWND hwnd = nullptr;
  if (!raw->dialog) {
    // Hidden, so never in the taskbar; a tool window besides, so never in
    // the task switcher even if something showed it.
    hwnd = CreateWindowExA(WS_EX_TOOLWINDOW, vtr::win::kTrayWindowClass, form.Caption.c_str(), WS_POPUP, 0, 0, 0,
                           0, nullptr, nullptr, instance_, raw);
  } else {
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
    tmpl.head.style = style;
    tmpl.head.dwExtendedStyle = exStyle;
    hwnd = CreateDialogIndirectParamA(instance_, &tmpl.head, nullptr, DialogFormProc, reinterpret_cast<LPARAM>(raw));
  }
  if (hwnd == nullptr) {
    windows_.erase(&form);
    throw std::runtime_error("The window of " + form.Name() + " could not be created.");
  }
  form.AttachWindow(hwnd, smallIcon_);
  SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
  SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  if (raw->dialog) {
    RECT rc{0, 0, Pixels(form.ClientWidth, twipsPerPixelX_), Pixels(form.ClientHeight, twipsPerPixelY_)};
    AdjustWindowRectEx(&rc, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
    int width = rc.right - rc.left, height = rc.bottom - rc.top;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void WinWindowRuntime::ShowForm(Form& form) {
  FormWindow* window = WindowOf(form);
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
  FormWindow* window = WindowOf(form);
  if (window == nullptr || window->hwnd == nullptr) return;
  char current[512] = "";
  GetWindowTextA(window->hwnd, current, sizeof current);
  if (form.Caption != current) SetWindowTextA(window->hwnd, form.Caption.c_str());
  UpdateControls(*window);
}

void WinWindowRuntime::DestroyFormWindow(Form& form) {
  auto found = windows_.find(&form);
  if (found == windows_.end()) return;
  std::unique_ptr<FormWindow> window = std::move(found->second);
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

WinWindowRuntime::FormWindow* WinWindowRuntime::WindowOf(const Form& form) const {
  auto found = windows_.find(&form);
  return found == windows_.end() ? nullptr : found->second.get();
}

// ---- Controls -------------------------------------------------------------------------

void WinWindowRuntime::CreateControls(FormWindow& window) {
  int nextId = kFirstControlId;
  for (Control* control : window.form->Controls) {
    int32_t left = control->Left, top = control->Top;
    for (const Control* c = control->Container; c != nullptr; c = c->Container) {
      left += c->Left;
      top += c->Top;
    }
    const char* cls = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    int id = nextId++;
    switch (control->Kind) {
      case ControlKind::Label:
      case ControlKind::LinkLabel:
        style |= SS_NOPREFIX;
        style |= control->Alignment == vbCenter ? SS_CENTER : control->Alignment == vbRightJustify ? SS_RIGHT : SS_LEFT;
        // A label that answers clicks must be hit by the mouse, which also
        // lets the dialog show the control's own pointer over it.
        if (control->Click || control->Kind == ControlKind::LinkLabel || control->MousePointer != vbDefault)
          style |= SS_NOTIFY;
        break;
      case ControlKind::Frame:
        cls = "BUTTON";
        style |= BS_GROUPBOX;
        break;
      case ControlKind::PictureBox:
        style |= SS_ICON | SS_CENTERIMAGE;
        break;
      case ControlKind::CommandButton:
        cls = "BUTTON";
        style |= WS_TABSTOP | (control->Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        if (control->Default) id = IDOK;
        else if (control->Cancel) id = IDCANCEL;
        break;
    }
    HWND hwnd = CreateWindowExA(0, cls, control->Caption.c_str(), style, Pixels(left, twipsPerPixelX_),
                                Pixels(top, twipsPerPixelY_), Pixels(control->Width, twipsPerPixelX_),
                                Pixels(control->Height, twipsPerPixelY_), window.hwnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    if (hwnd == nullptr) throw std::runtime_error("The control " + control->Name + " could not be created.");
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(window, control->Font)), FALSE);
    if (control->Kind == ControlKind::PictureBox && control->ShowsProgramIcon)
      SendMessageA(hwnd, STM_SETICON, reinterpret_cast<WPARAM>(bigIcon_), 0);
    window.controlsByWindow[hwnd] = control;
    window.controlsById[id] = control;
    window.windowsByControl[control] = hwnd;
  }
  if (window.DefaultButton() != nullptr) SendMessageA(window.hwnd, DM_SETDEFID, IDOK, 0);
}

void WinWindowRuntime::UpdateControls(FormWindow& window) {
  for (auto& [control, hwnd] : window.windowsByControl) {
    if (control->Kind == ControlKind::PictureBox) continue;
    char current[2048] = "";
    GetWindowTextA(hwnd, current, sizeof current);
    if (control->Caption != current) SetWindowTextA(hwnd, control->Caption.c_str());
  }
}

HFONT WinWindowRuntime::FontFor(FormWindow& window, const ControlFont& face) {
  LOGFONTA lf{};
  // Points to pixels at the system's DPI: 8.25 pt is 11 pixels at 96 DPI.
  lf.lfHeight = -static_cast<LONG>(std::lround(face.Size * static_cast<float>(dpiY_) / 72.0f));
  lf.lfWeight = face.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfUnderline = face.Underline ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  lstrcpynA(lf.lfFaceName, face.Name.c_str(), LF_FACESIZE);
  for (auto& [made, font] : window.fonts)
    if (std::memcmp(&made, &lf, sizeof lf) == 0) return font;
  HFONT font = CreateFontIndirectA(&lf);
  if (font == nullptr) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  window.fonts.emplace_back(lf, font);
  return font;
}

HBRUSH WinWindowRuntime::BrushFor(FormWindow& window, OLE_COLOR color) {
  auto found = window.brushes.find(color);
  if (found != window.brushes.end()) return found->second;
  HBRUSH brush = IsSystemColor(color) ? GetSysColorBrush(static_cast<int>(color & 0xFF))
                                      : CreateSolidBrush(static_cast<COLORREF>(color));
  window.brushes[color] = brush;
  return brush;
}

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
  if (control.MousePointer == vbCustom && control.MouseIcon != nullptr) {
    for (const CursorResource& cursor : kCursorResources)
      if (control.MouseIcon->Resource == cursor.file) return LoadCursorA(instance_, MAKEINTRESOURCEA(cursor.id));
    return nullptr;
  }
  return PointerCursor(control.MousePointer);
}

HWND WinWindowRuntime::ControlWindow(const Form& form, const Control& control) const {
  FormWindow* window = WindowOf(form);
  if (window == nullptr) return nullptr;
  auto found = window->windowsByControl.find(&control);
  return found == window->windowsByControl.end() ? nullptr : found->second;
}

HCURSOR WinWindowRuntime::CursorOver(const Form& form, const Control& control) const {
  if (HCURSOR shape = PointerCursor(MousePointer())) return shape;
  return ControlWindow(form, control) != nullptr ? CursorFor(control) : nullptr;
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
    auto* window = static_cast<FormWindow*>(create->lpCreateParams);
    window->hwnd = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (window != nullptr && window->hwnd == hwnd) {
    LRESULT result = 0;
    if (window->runtime->HandleFormMessage(*window, msg, wParam, lParam, result)) return result;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

INT_PTR CALLBACK WinWindowRuntime::DialogFormProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    auto* window = reinterpret_cast<FormWindow*>(lParam);
    window->hwnd = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(window));
    try {
      window->runtime->CreateControls(*window);
    } catch (...) {
      return TRUE;  // the form shows what could be made
    }
    return TRUE;  // focus to the first button
  }
  auto* window = reinterpret_cast<FormWindow*>(GetWindowLongPtrA(hwnd, DWLP_USER));
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

bool WinWindowRuntime::HandleFormMessage(FormWindow& window, UINT msg, WPARAM wParam, LPARAM lParam,
                                         LRESULT& result) {
  Form& form = *window.form;
  // Nothing thrown may cross the system's frames: every handler is caught here.
  try {
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
      ReAddIcon(window.hwnd);
      return false;  // other forms hear it too
    }
    switch (msg) {
      case WM_TIMER:
        if (wParam != kIconRetryTimer) return false;
        OnIconRetryTimer(window.hwnd);
        result = 0;
        return true;
      case WM_MOUSEMOVE: {
        // The shell's callback puts the mouse code where the position goes.
        int16_t button = static_cast<int16_t>(((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) |
                                              ((wParam & MK_MBUTTON) ? 4 : 0));
        int16_t shift = static_cast<int16_t>(((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0));
        form.RaiseMouseMove(button, shift, static_cast<float>(static_cast<int16_t>(LOWORD(lParam))),
                            static_cast<float>(static_cast<int16_t>(HIWORD(lParam))));
        result = 0;
        return true;
      }
      case WM_CLOSE:
        RunEventHandler([&] { form.Unload(vbFormControlMenu); });
        result = 0;
        return true;
      case WM_QUERYENDSESSION: {
        bool agreed = true;
        // Tells Windows why the session waits while the form may be asking
        // the user (a no-op where the system has no such list).
        ShutdownBlockReasonCreate(window.hwnd, L"Vantorel System Tray is asking whether to run Vantorel first.");
        RunEventHandler([&] { agreed = form.QueryUnload(vbAppWindows); });
        if (window.hwnd != nullptr) ShutdownBlockReasonDestroy(window.hwnd);
        window.endSessionPending = agreed;
        result = agreed ? TRUE : FALSE;
        return true;
      }
      case WM_ENDSESSION:
        // The form asked at WM_QUERYENDSESSION; it unloads only when the
        // session really ends (another program may have refused).
        if (wParam != FALSE && window.endSessionPending) {
          window.endSessionPending = false;
          RunEventHandler([&] { form.CompleteUnload(); });
        }
        window.endSessionPending = false;
        result = 0;
        return true;
      case WM_SETCURSOR: {
        HCURSOR cursor = PointerCursor(MousePointer());
        if (cursor == nullptr && LOWORD(lParam) == HTCLIENT) {
          auto found = window.controlsByWindow.find(reinterpret_cast<HWND>(wParam));
          if (found != window.controlsByWindow.end()) cursor = CursorFor(*found->second);
        }
        if (cursor == nullptr) return false;
        SetCursor(cursor);
        result = TRUE;
        return true;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN: {
        auto found = window.controlsByWindow.find(reinterpret_cast<HWND>(lParam));
        if (found == window.controlsByWindow.end()) return false;
        const Control& control = *found->second;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, ColorOf(control.ForeColor));
        SetBkColor(dc, ColorOf(control.BackColor));
        result = reinterpret_cast<LRESULT>(BrushFor(window, control.BackColor));
        return true;
      }
      case WM_COMMAND: {
        int id = LOWORD(wParam);
        // Esc asks for IDCANCEL even where no control has that identifier.
        if (lParam == 0 && id != IDOK && id != IDCANCEL) return false;
        Control* control = nullptr;
        if (id == IDOK) control = window.DefaultButton();
        else if (id == IDCANCEL) control = window.CancelButton();
        else if (auto found = window.controlsById.find(id); found != window.controlsById.end()) control = found->second;
        // BN_CLICKED and STN_CLICKED are both 0.
        if (control == nullptr || HIWORD(wParam) != BN_CLICKED) return false;
        form.RaiseClick(*control);
        result = 0;
        return true;
      }
      default:
        return false;
    }
  } catch (...) {
    result = 0;
    return true;
  }
}

// ---- Menus and message box ----------------------------------------------------------------

MenuItem* WinWindowRuntime::ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) {
  HWND hwnd = owner.hWnd();
  WinPopupMenu popup(menu);
  POINT at{};
  GetCursorPos(&at);
  // Without being the foreground window the menu would not close when the
  // user clicks elsewhere; the WM_NULL afterwards lets it close cleanly.
  SetForegroundWindow(hwnd);
  UINT flags = static_cast<UINT>(Flags) & (TPM_RIGHTBUTTON | TPM_CENTERALIGN | TPM_RIGHTALIGN);
  UINT chosen = static_cast<UINT>(
      TrackPopupMenu(popup.Handle(), flags | TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, hwnd, nullptr));
  PostMessageA(hwnd, WM_NULL, 0, 0);
  return popup.ItemFor(chosen);
}

int32_t WinWindowRuntime::MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) {
  // The utility has no window of its own on the screen, and its questions
  // come while the user looks elsewhere (at the end of a session, behind the
  // shutdown screen): the box belongs to the tray window and comes to the
  // front, over every other window.
  HWND owner = nullptr;
  for (auto& [form, window] : windows_)
    if (!window->dialog && window->hwnd != nullptr) owner = window->hwnd;
  // MB_SYSTEMMODAL is MB_APPLMODAL (the style's own modality) with the
  // topmost style; Wine honours it where it ignores MB_TOPMOST.
  return MessageBoxA(owner, Prompt.c_str(), Title.c_str(),
                     static_cast<UINT>(Buttons) | MB_SETFOREGROUND | MB_TOPMOST | MB_SYSTEMMODAL);
}

// ---- Processes and files ----------------------------------------------------------------

bool WinWindowRuntime::Launch(const std::string& ProgramPath, const std::string& CommandLine) {
  if (ProgramPath.empty()) return false;
  // CreateProcessA may write into the command line; it gets its own copy.
  std::vector<char> commandLine(CommandLine.begin(), CommandLine.end());
  commandLine.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  // The program's path as the application name: Windows starts exactly that
  // file, however the unquoted path in the command line could be split.
  if (!CreateProcessA(ProgramPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

bool WinWindowRuntime::FileExists(const std::string& Path) {
  if (Path.empty() || Path.find_first_of("*?") != std::string::npos) return false;
  DWORD attributes = GetFileAttributesA(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) == 0;
}

std::string WinWindowRuntime::AppPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::string();
    if (length < buffer.size()) {
      std::string path(buffer.data(), length);
      std::string folder = path.substr(0, path.find_last_of('\\') == std::string::npos ? 0 : path.find_last_of('\\'));
      if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // a drive root keeps its backslash
      return folder;
    }
    buffer.resize(buffer.size() * 2);
  }
}

// ---- Windows functions ---------------------------------------------------------------------

BOOL WinWindowRuntime::Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
  if (lpData == nullptr) return FALSE;
  // The shell gets the caller's record (its cbSize bytes) in a zeroed block
  // of the full record's size, so the tooltip field is followed by a zero.
  NOTIFYICONDATAA& block = iconReport_.record;
  std::memset(&block, 0, sizeof block);
  std::memcpy(&block, lpData, std::min<std::size_t>(lpData->cbSize, sizeof block));
  switch (dwMessage) {
    case NIM_ADD:
      iconWanted_ = true;
      iconRetry_.Reset();
      KillTimer(block.hWnd, kIconRetryTimer);
      return AddIconNow();
    case NIM_MODIFY: {
      ++iconReport_.modifies;
      iconReport_.lastMessage = dwMessage;
      BOOL result = iconReport_.lastResult = shell_(dwMessage, &block);
      // The shell lost the icon (or never took it): add it as it now stands.
      if (!result && iconWanted_) result = AddIconNow();
      return result;
    }
    case NIM_DELETE:
      ++iconReport_.deletes;
      iconWanted_ = false;
      iconRetry_.Reset();
      KillTimer(block.hWnd, kIconRetryTimer);
      break;
    default:
      break;
  }
  iconReport_.lastMessage = dwMessage;
  return iconReport_.lastResult = shell_(dwMessage, &block);
}

BOOL WinWindowRuntime::AddIconNow() {
  ++iconReport_.adds;
  iconReport_.lastMessage = NIM_ADD;
  BOOL result = iconReport_.lastResult = shell_(NIM_ADD, &iconReport_.record);
  HWND hwnd = iconReport_.record.hWnd;
  if (result) {
    iconRetry_.Reset();
    KillTimer(hwnd, kIconRetryTimer);
  } else if (auto delay = iconRetry_.NextDelay()) {
    SetTimer(hwnd, kIconRetryTimer, static_cast<UINT>(delay->count()), nullptr);
  }
  return result;
}

void WinWindowRuntime::OnIconRetryTimer(HWND hwnd) {
  KillTimer(hwnd, kIconRetryTimer);
  if (iconWanted_ && iconReport_.record.hWnd == hwnd) AddIconNow();
}

void WinWindowRuntime::ReAddIcon(HWND hwnd) {
  // Explorer started again and knows no icon: add ours again, with the
  // record as it stands.
  if (!iconWanted_ || iconReport_.record.hWnd != hwnd) return;
  iconRetry_.Reset();
  AddIconNow();
}

void WinWindowRuntime::UseShell(ShellNotify shell, std::chrono::milliseconds firstRetry) {
  shell_ = std::move(shell);
  iconRetry_ = IconAddRetry(firstRetry);
}

HINSTANCE WinWindowRuntime::ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                                          LPCSTR lpDirectory, INT nShowCmd) {
  return ::ShellExecuteA(hwnd, lpOperation, lpFile, lpParameters, lpDirectory, nShowCmd);
}

UINT WinWindowRuntime::GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  return ::GetWindowsDirectoryA(lpBuffer, uSize);
}
