#pragma once
// What the program asks the user, and the pointer it shows while it works:
// the popup menu at the pointer, the message box, the application-wide
// pointer shape.
#include <cstdint>
#include <string>

#include "platform/MsgBoxStyle.h"

class Form;
class MenuItem;

class UserDialogs {
 public:
  virtual ~UserDialogs() = default;

  // Shows menu.Items as a popup menu at the pointer (modal), with the items'
  // captions, separators, visible and enabled states and no default item.
  // Returns the chosen item (visible, enabled, not a separator), or null when
  // the menu was dismissed. The caller runs the item's handler.
  virtual MenuItem* ShowPopupMenu(Form& owner, MenuItem& menu, int32_t Flags) = 0;
  // A modal message box: Buttons is a MsgBoxStyle sum (buttons + icon +
  // default button). Returns a MsgBoxResult (vbYes, vbNo, vbOK ...).
  virtual int32_t MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) = 0;
  // Presents a new application-wide pointer shape (MousePointerConstants);
  // WindowRuntime::SetMousePointer keeps the shape and calls this.
  virtual void ShowMousePointer(int16_t shape) = 0;
};
