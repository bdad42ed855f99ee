#include "platform/win/WinFormWindow.h"

#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

constexpr int kFirstControlId = 1000;

COLORREF ColorOf(OLE_COLOR color) {
  return IsSystemColor(color) ? GetSysColor(static_cast<int>(color & 0xFF)) : static_cast<COLORREF>(color);
}

// The window class and styles of a control of the form's table; a button
// may take IDOK or IDCANCEL as its identifier instead of `id`.
const char* ControlClass(const Control& control, DWORD& style, int& id) {
  style = WS_CHILD | WS_VISIBLE;
  switch (control.Kind) {
    case ControlKind::Label:
    case ControlKind::LinkLabel:
      style |= SS_NOPREFIX;
      style |= control.Alignment == vbCenter ? SS_CENTER : control.Alignment == vbRightJustify ? SS_RIGHT : SS_LEFT;
      // A label that answers clicks must be hit by the mouse, which also
      // lets the dialog show the control's own pointer over it.
      if (control.Click || control.Kind == ControlKind::LinkLabel || control.MousePointer != vbDefault)
        style |= SS_NOTIFY;
      return "STATIC";
    case ControlKind::Frame:
      style |= BS_GROUPBOX;
      return "BUTTON";
    case ControlKind::PictureBox:
      style |= SS_ICON | SS_CENTERIMAGE;
      return "STATIC";
    case ControlKind::CommandButton:
      style |= WS_TABSTOP | (control.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
      if (control.Default) id = IDOK;
      else if (control.Cancel) id = IDCANCEL;
      return "BUTTON";
  }
  return "STATIC";
}

}  // namespace

int WinScale::X(int32_t twips) const { return static_cast<int>(std::lround(twips / twipsPerPixelX)); }
int WinScale::Y(int32_t twips) const { return static_cast<int>(std::lround(twips / twipsPerPixelY)); }

WinFormWindow::~WinFormWindow() {
  for (auto& [face, font] : fonts_) DeleteObject(font);
  for (auto& [color, brush] : brushes_)
    if (!IsSystemColor(color)) DeleteObject(brush);
}

void WinFormWindow::CreateControls(const WinScale& scale, HINSTANCE instance, HICON programIcon) {
  int nextId = kFirstControlId;
  for (Control* control : form->Controls) {
    // Positions are relative to the container; the dialog's to its client area.
    int32_t left = control->Left, top = control->Top;
    for (const Control* c = control->Container; c != nullptr; c = c->Container) {
      left += c->Left;
      top += c->Top;
    }
    DWORD style = 0;
    int id = nextId++;
    const char* cls = ControlClass(*control, style, id);
    HWND child = CreateWindowExA(0, cls, control->Caption.c_str(), style, scale.X(left), scale.Y(top),
                                 scale.X(control->Width), scale.Y(control->Height), hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (child == nullptr) throw std::runtime_error("The control " + control->Name + " could not be created.");
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control->Font, scale.dpiY)), FALSE);
    if (control->Kind == ControlKind::PictureBox && control->ShowsProgramIcon)
      SendMessageA(child, STM_SETICON, reinterpret_cast<WPARAM>(programIcon), 0);
    controlsByWindow_[child] = control;
    controlsById_[id] = control;
    windowsByControl_[control] = child;
  }
  if (DefaultButton() != nullptr) SendMessageA(hwnd, DM_SETDEFID, IDOK, 0);
}

void WinFormWindow::UpdateControls() {
  for (auto& [control, child] : windowsByControl_) {
    if (control->Kind == ControlKind::PictureBox) continue;
    char current[2048] = "";
    GetWindowTextA(child, current, sizeof current);
    if (control->Caption != current) SetWindowTextA(child, control->Caption.c_str());
  }
}

HWND WinFormWindow::WindowOf(const Control& control) const {
  auto found = windowsByControl_.find(&control);
  return found == windowsByControl_.end() ? nullptr : found->second;
}

Control* WinFormWindow::ControlOf(HWND control) const {
  auto found = controlsByWindow_.find(control);
  return found == controlsByWindow_.end() ? nullptr : found->second;
}

Control* WinFormWindow::ClickedControl(WPARAM wParam, LPARAM lParam) const {
  const int id = LOWORD(wParam);
  // Esc asks for IDCANCEL even where no control has that identifier.
  if (lParam == 0 && id != IDOK && id != IDCANCEL) return nullptr;
  // BN_CLICKED and STN_CLICKED are both 0.
  if (HIWORD(wParam) != BN_CLICKED) return nullptr;
  if (id == IDOK) return DefaultButton();
  if (id == IDCANCEL) return CancelButton();
  auto found = controlsById_.find(id);
  return found == controlsById_.end() ? nullptr : found->second;
}

HBRUSH WinFormWindow::ColorControl(HDC dc, HWND child) {
  const Control* control = ControlOf(child);
  if (control == nullptr) return nullptr;
  SetTextColor(dc, ColorOf(control->ForeColor));
  SetBkColor(dc, ColorOf(control->BackColor));
  return BrushFor(control->BackColor);
}

Control* WinFormWindow::DefaultButton() const {
  for (auto& [id, control] : controlsById_)
    if (control->Kind == ControlKind::CommandButton && control->Default) return control;
  return nullptr;
}

Control* WinFormWindow::CancelButton() const {
  for (auto& [id, control] : controlsById_)
    if (control->Kind == ControlKind::CommandButton && control->Cancel) return control;
  return nullptr;
}

static_assert(sizeof(LOGFONTA) == 60, "CreateFontIndirectA's record");

HFONT WinFormWindow::FontFor(const ControlFont& face, int dpiY) {
  LOGFONTA lf{};
  // Points to pixels at the screen's DPI: 8.25 pt is 11 pixels at 96 DPI.
  lf.lfHeight = -static_cast<LONG>(std::lround(face.Size * static_cast<float>(dpiY) / 72.0f));
  lf.lfWeight = face.Bold ? FW_BOLD : FW_NORMAL;
  lf.lfUnderline = face.Underline ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_SWISS;
  lstrcpynA(lf.lfFaceName, face.Name.c_str(), LF_FACESIZE);
  for (auto& [made, font] : fonts_)
    if (std::memcmp(&made, &lf, sizeof lf) == 0) return font;
  HFONT font = CreateFontIndirectA(&lf);
  if (font == nullptr) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts_.emplace_back(lf, font);
  return font;
}

HBRUSH WinFormWindow::BrushFor(OLE_COLOR color) {
  auto found = brushes_.find(color);
  if (found != brushes_.end()) return found->second;
  HBRUSH brush = IsSystemColor(color) ? GetSysColorBrush(static_cast<int>(color & 0xFF))
                                      : CreateSolidBrush(static_cast<COLORREF>(color));
  brushes_[color] = brush;
  return brush;
}
