#pragma once
// The presenter for scripts, with standard input not a terminal: one command
// a line in, one line out per change of what a person would see (the
// tooltip, the popup's items, message boxes, the dialog's texts). The
// commands:
//   move | dblclick | rclick | code N      the icon's mouse codes 0x200, 0x203, 0x205, N
//   choose X | dismiss                     while the popup is open
//   yes | no | ok | cancel                 while a message box is open
//   link 1 | link 2 | ok                   while a dialog is open
//   close | endsession | about             at any time (unload reason 0, session end, the menu command)
// An unknown or misplaced command is answered on standard error and
// changes nothing; one of the any-time commands waits for the popup or
// message box to close.
#include <optional>
#include <string>

#include "platform/terminal/Presenter.h"

namespace terminal {

class LinePresenter : public Presenter {
 public:
  using Presenter::Presenter;

  // "code N": N in decimal or 0x hex, 0 to 0x7fffffff.
  static std::optional<long> ParseCode(const std::string& text);

  void IconChanged(IconChange change) override;
  void PointerChanged() override {}
  void ShowDialog(const Form& form) override;
  Command Interpret(const std::string& line, const Situation& now) override;

  void OpenMenu(const PopupMenu& menu) override;
  MenuStep MenuInput(PopupMenu& menu, const std::string& line) override;
  void CloseMenu(const PopupMenu& menu, const MenuItem* chosen) override;

  void OpenMsgBox(const std::string& prompt, const std::string& title, const MsgBoxChoices& choices) override;
  MsgBoxStep MsgBoxInput(const MsgBoxChoices& choices, const std::string& line) override;
  void CloseMsgBox() override {}

 private:
  // Complains; asks for nothing.
  Command Refuse(const std::string& why);
};

}  // namespace terminal
