#pragma once
// A popup menu of the Windows runtime, built afresh from the form model's menu
// each time it is shown: the visible items in their order, separators,
// disabled items greyed, captions as they stand (an "&" marks the access key),
// and no default item. Command identifiers map back to the model's items.
#include <windows.h>

#include <vector>

#include "platform/Form.h"

class WinPopupMenu {
 public:
  explicit WinPopupMenu(const MenuItem& menu);
  ~WinPopupMenu();
  WinPopupMenu(const WinPopupMenu&) = delete;
  WinPopupMenu& operator=(const WinPopupMenu&) = delete;

  HMENU Handle() const { return menu_; }
  // Shows the menu at the pointer on behalf of `owner` and waits: the item
  // chosen, or null when the menu was dismissed. `flags` may hold the
  // TPM_ button and alignment flags of the form's call.
  MenuItem* ChooseAtPointer(HWND owner, UINT flags) const;
  // The model item of a command identifier, or null (0: nothing chosen).
  MenuItem* ItemFor(UINT commandId) const;

 private:
  HMENU Build(const MenuItem& menu);

  HMENU menu_ = nullptr;
  std::vector<MenuItem*> commands_;  // command identifier n is commands_[n - 1]
};
