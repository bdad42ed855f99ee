#pragma once
// The form model: forms with their event handlers, their menus and their
// controls, as the program describes them once and each platform's window
// runtime (platform/WindowRuntime.h) presents them.
//
// A form's life: Load() asks the runtime for a window, then runs Form_Load.
// Show() loads it when needed and shows it modelessly (or brings it to the
// front). Unload(mode) runs Form_QueryUnload, which may refuse, then
// Form_Unload, then the runtime destroys the window; when the runtime's last
// form is gone, the program ends. The form object itself lives on and can be
// loaded again.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ShellAPI.h"

class WindowRuntime;

// Why a form is being unloaded (Form_QueryUnload's UnloadMode).
enum QueryUnloadConstants : int16_t {
  vbFormControlMenu = 0,  // the window's own close command
  vbFormCode = 1,         // an unload ordered by the program's code
  vbAppWindows = 2,       // the Windows session is ending (shut-down or log-off)
  vbAppTaskManager = 3,   // the task manager (or a termination signal) closes the program
  vbFormMDIForm = 4,      // the parent of a multiple-document window closes
  vbFormOwner = 5,        // the owner window closes
};

// Application-wide mouse pointer shapes.
enum MousePointerConstants : int16_t {
  vbDefault = 0,
  vbArrow = 1,
  vbHourglass = 11,
  vbCustom = 99,  // the control's own cursor (Control::MouseIcon)
};

// PopupMenu flags.
enum PopupMenuFlags : int32_t {
  vbPopupMenuLeftAlign = 0,
  vbPopupMenuRightButton = 2,  // either mouse button chooses an item
};

// A form's coordinate unit.
enum ScaleModeConstants : int16_t { vbTwips = 1, vbPixels = 3 };

// A form's border.
enum FormBorderStyleConstants : int16_t {
  vbBSNone = 0,
  vbFixedSingle = 1,
  vbSizable = 2,
  vbFixedDialog = 3,
};

// Text alignment of a label.
enum AlignmentConstants : int16_t { vbLeftJustify = 0, vbRightJustify = 1, vbCenter = 2 };

// Colours: 0x00BBGGRR for a colour of its own, 0x800000nn for the system
// colour nn (the index that GetSysColor takes).
using OLE_COLOR = uint32_t;
constexpr OLE_COLOR ColorRGB(uint8_t red, uint8_t green, uint8_t blue) {
  return static_cast<OLE_COLOR>(red) | (static_cast<OLE_COLOR>(green) << 8) |
         (static_cast<OLE_COLOR>(blue) << 16);
}
constexpr OLE_COLOR vbButtonFace = 0x8000000Fu;
constexpr OLE_COLOR vbButtonText = 0x80000012u;
constexpr bool IsSystemColor(OLE_COLOR color) { return (color & 0x80000000u) != 0; }

// One item of a menu: a command, a separator (caption "-") or a submenu.
class MenuItem {
 public:
  static constexpr int16_t NoIndex = -1;

  MenuItem(std::string name, std::string caption, bool visible = true, bool enabled = true,
           int16_t index = NoIndex);
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;

  const std::string Name;
  const int16_t Index;  // position in its control array, or NoIndex for a lone item
  std::string Caption;  // "&" marks the next character as the access key; "&&" is a literal "&"
  bool Visible;
  bool Enabled;
  std::vector<MenuItem*> Items;  // the submenu, in order (not owned)
  std::function<void()> Click;   // the handler; an array's items are bound to their index

  bool IsSeparator() const { return Caption == "-"; }
  // The character after the marking "&", or 0 when there is none.
  char AccessKey() const;
  // The caption as shown: the marking "&" removed, "&&" shown as "&".
  std::string Text() const;
};

// A control array of menu items sharing one handler, addressed by index.
class MenuItemArray {
 public:
  MenuItemArray(std::string name, int16_t lowerBound, const std::vector<std::string>& captions,
                bool visible);

  MenuItem& operator()(int16_t index);  // throws std::out_of_range outside the bounds
  int16_t LBound() const { return lowerBound_; }
  int16_t UBound() const { return static_cast<int16_t>(lowerBound_ + Count() - 1); }
  int16_t Count() const { return static_cast<int16_t>(items_.size()); }

 private:
  int16_t lowerBound_;
  std::vector<std::unique_ptr<MenuItem>> items_;
};

// Kinds of control that forms of this program carry.
enum class ControlKind { Label, LinkLabel, Frame, PictureBox, CommandButton };

struct ControlFont {
  std::string Name = "MS Sans Serif";
  float Size = 8.25f;
  bool Bold = false;
  bool Underline = false;
};

// A cursor of a control's own, drawn in a resource (its picture, size and
// hot spot are the resource's: about/hand.cur).
struct CursorSpec {
  int ResourceId;  // platform/resource.h
};

// One control of a form. Positions and sizes are in twips, relative to the
// container (the client area when Container is null).
class Control {
 public:
  Control(std::string name, ControlKind kind, const Control* container, int32_t left, int32_t top,
          int32_t width, int32_t height);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string Name;
  const ControlKind Kind;
  const Control* const Container;
  const int32_t Left, Top, Width, Height;

  std::string Caption;  // a label's or button's text; a picture's is empty
  ControlFont Font;
  OLE_COLOR ForeColor = vbButtonText;
  OLE_COLOR BackColor = vbButtonFace;
  AlignmentConstants Alignment = vbLeftJustify;
  bool WordWrap = false;
  bool Default = false;  // a button pressed by Enter
  bool Cancel = false;   // a button pressed by Esc
  int16_t MousePointer = vbDefault;
  const CursorSpec* MouseIcon = nullptr;  // with MousePointer vbCustom
  bool ShowsProgramIcon = false;          // a picture showing the program's icon
  std::function<void()> Click;            // the handler, when the control has one
};

class Form {
 public:
  explicit Form(std::string name);
  virtual ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  const std::string& Name() const { return name_; }

  // Properties as designed; a runtime reads them when it makes the window
  // and again after UpdateFormWindow.
  std::string Caption;
  FormBorderStyleConstants BorderStyle = vbSizable;
  bool ControlBox = true;
  bool MinButton = true;
  bool MaxButton = true;
  ScaleModeConstants ScaleMode = vbTwips;
  int32_t ClientWidth = 0;   // twips
  int32_t ClientHeight = 0;  // twips
  bool ShowInTaskbar = true;
  std::vector<MenuItem*> MenuBar;    // top-level menus (not owned)
  std::vector<Control*> Controls;    // in tab order (not owned)

  // Set by the runtime when it makes the window.
  HWND hWnd() const { return hWnd_; }
  HICON Icon() const { return icon_; }
  void AttachWindow(HWND window, HICON icon);

  bool IsLoaded() const { return runtime_ != nullptr; }
  bool Visible() const { return visible_; }
  // For a runtime that ends while the form is loaded on it: the form counts
  // as unloaded and hidden, and calls nothing more of it.
  void ForgetRuntime();

  // Loads the form on the current runtime, if it is not loaded.
  void Load();
  // Loads the form when needed, then shows it modelessly or brings it to the front.
  void Show();
  // Runs Form_QueryUnload and, unless it refuses, Form_Unload and the end of
  // the window. True when the form is unloaded (or was not loaded).
  bool Unload(int16_t UnloadMode = vbFormCode);
  // The two halves of Unload, for a runtime that asks first and unloads later
  // (the end of a Windows session): true when the unload may go ahead.
  bool QueryUnload(int16_t UnloadMode);
  void CompleteUnload();

  // Shows a menu's submenu at the pointer; the chosen item's handler runs
  // after the menu has closed.
  void PopupMenu(MenuItem& menu, int32_t Flags = vbPopupMenuLeftAlign);

  // For the runtime: the mouse moved over the form (or the tray icon's
  // callback arrived), at a position in pixels; Form_MouseMove receives it in
  // the form's ScaleMode.
  void RaiseMouseMove(int16_t Button, int16_t Shift, float xPixels, float yPixels);
  // For the runtime: a control or menu item was clicked.
  void RaiseClick(Control& control);
  void RaiseClick(MenuItem& item);

  // The form's event handlers.
  virtual void Form_Load() {}
  virtual void Form_QueryUnload(int16_t& Cancel, int16_t UnloadMode) {
    (void)Cancel;
    (void)UnloadMode;
  }
  virtual void Form_Unload(int16_t& Cancel) { (void)Cancel; }
  virtual void Form_MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
    (void)Button;
    (void)Shift;
    (void)X;
    (void)Y;
  }

 protected:
  // The runtime this form is loaded on (the current one while it is not loaded).
  WindowRuntime& Runtime() const;
  // Tells the runtime that a property it shows has changed.
  void Refresh();

 private:
  std::string name_;
  WindowRuntime* runtime_ = nullptr;
  HWND hWnd_ = nullptr;
  HICON icon_ = nullptr;
  bool visible_ = false;
  bool unloading_ = false;  // inside Form_QueryUnload or Form_Unload
};
