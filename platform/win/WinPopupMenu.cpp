#include "platform/win/WinPopupMenu.h"

#include <stdexcept>

static_assert(sizeof(POINT) == 8, "GetCursorPos's record");

// Built in the body: Build fills commands_, which must exist by then.
WinPopupMenu::WinPopupMenu(const MenuItem& menu) { menu_ = Build(menu); }

WinPopupMenu::~WinPopupMenu() {
  // Destroys the submenus with it.
  if (menu_ != nullptr) DestroyMenu(menu_);
}

HMENU WinPopupMenu::Build(const MenuItem& menu) {
  HMENU handle = CreatePopupMenu();
  if (handle == nullptr) throw std::runtime_error("The popup menu could not be created.");
  for (MenuItem* item : menu.Items) {
    if (!item->Visible) continue;
    BOOL added;
    if (item->IsSeparator()) {
      added = AppendMenuA(handle, MF_SEPARATOR, 0, nullptr);
    } else {
      UINT state = item->Enabled ? MF_ENABLED : MF_GRAYED;
      if (!item->Items.empty()) {
        HMENU sub;
        try {
          sub = Build(*item);
        } catch (...) {
          DestroyMenu(handle);
          throw;
        }
        added = AppendMenuA(handle, MF_POPUP | state, reinterpret_cast<UINT_PTR>(sub), item->Caption.c_str());
        if (!added) DestroyMenu(sub);
      } else {
        commands_.push_back(item);
        added = AppendMenuA(handle, MF_STRING | state, commands_.size(), item->Caption.c_str());
      }
    }
    if (!added) {
      DestroyMenu(handle);
      throw std::runtime_error("The popup menu could not be created.");
    }
  }
  return handle;
}

MenuItem* WinPopupMenu::ItemFor(UINT commandId) const {
  if (commandId == 0 || commandId > commands_.size()) return nullptr;
  return commands_[commandId - 1];
}

MenuItem* WinPopupMenu::ChooseAtPointer(HWND owner, UINT flags) const {
  POINT at{};
  GetCursorPos(&at);
  // Without being the foreground window the menu would not close when the
  // user clicks elsewhere; the WM_NULL afterwards lets it close cleanly.
  SetForegroundWindow(owner);
  flags &= TPM_RIGHTBUTTON | TPM_CENTERALIGN | TPM_RIGHTALIGN;
  UINT chosen = static_cast<UINT>(
      TrackPopupMenu(menu_, flags | TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
  PostMessageA(owner, WM_NULL, 0, 0);
  return ItemFor(chosen);
}
