#pragma once
// The presenter on a terminal: the icon is a status line with its tooltip
// and the busy pointer; keys send the shell's mouse codes; the popup menu is
// a list with a highlight, the message box a prompt, a dialog a framed panel.
#include <string>
#include <vector>

#include "platform/terminal/Presenter.h"

namespace terminal {

class KeyPresenter : public Presenter {
 public:
  using Presenter::Presenter;

  // A dialog as a framed panel: its caption and texts (long ones wrapped),
  // its links numbered, its buttons, and the keys that work it.
  static std::string Panel(const Form& form);

  void IconChanged(IconChange) override { DrawStatus(); }
  void PointerChanged() override { DrawStatus(); }
  void ShowDialog(const Form& form) override;
  Command Interpret(const std::string& key, const Situation& now) override;

  void OpenMenu(const PopupMenu& menu) override;
  MenuStep MenuInput(PopupMenu& menu, const std::string& key) override;
  void CloseMenu(const PopupMenu& menu, const MenuItem* chosen) override;

  void OpenMsgBox(const std::string& prompt, const std::string& title, const MsgBoxChoices& choices) override;
  MsgBoxStep MsgBoxInput(const MsgBoxChoices& choices, const std::string& key) override;
  void CloseMsgBox() override;

 protected:
  void ClearStatus() override;
  void DrawStatus() override;

 private:
  // again: over the list drawn before.
  void DrawMenu(const PopupMenu& menu, bool again);

  bool statusShown_ = false;
};

}  // namespace terminal
