#pragma once
// One form's window as the Windows runtime made it: the hidden window of a
// form without controls (the tray form), or the dialog of a form with them
// (the About box), whose controls are laid out from the form's table in
// twips at the screen's DPI, with the fonts and brushes they use.
#include <windows.h>

#include <map>
#include <utility>
#include <vector>

#include "platform/Form.h"

class WinWindowRuntime;

// Twips to pixels, and points to pixels, at the screen's DPI.
struct WinScale {
  float twipsPerPixelX = 15.0f;
  float twipsPerPixelY = 15.0f;
  int dpiY = 96;
  int X(int32_t twips) const;
  int Y(int32_t twips) const;
};

struct WinFormWindow {
  WinWindowRuntime* runtime = nullptr;
  Form* form = nullptr;
  HWND hwnd = nullptr;
  bool dialog = false;
  bool endSessionPending = false;  // agreed to end the session, waiting for WM_ENDSESSION

  WinFormWindow() = default;
  WinFormWindow(const WinFormWindow&) = delete;
  WinFormWindow& operator=(const WinFormWindow&) = delete;
  ~WinFormWindow();

  // The dialog's controls, made from the form's table (at WM_INITDIALOG).
  void CreateControls(const WinScale& scale, HINSTANCE instance, HICON programIcon);
  // Captions changed by the form since.
  void UpdateControls();

  HWND WindowOf(const Control& control) const;
  Control* ControlOf(HWND control) const;
  // The control a WM_COMMAND is a click of (Enter and Esc press the
  // default and cancel buttons), or null.
  Control* ClickedControl(WPARAM wParam, LPARAM lParam) const;
  // WM_CTLCOLORSTATIC/BTN: sets the control's colours on the device
  // context and gives its background brush, or null for a window not ours.
  HBRUSH ColorControl(HDC dc, HWND control);

 private:
  Control* DefaultButton() const;
  Control* CancelButton() const;
  HFONT FontFor(const ControlFont& face, int dpiY);
  HBRUSH BrushFor(OLE_COLOR color);

  std::map<HWND, Control*> controlsByWindow_;
  std::map<int, Control*> controlsById_;
  std::map<const Control*, HWND> windowsByControl_;
  std::vector<std::pair<LOGFONTA, HFONT>> fonts_;
  std::map<OLE_COLOR, HBRUSH> brushes_;
};
