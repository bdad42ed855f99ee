#include "platform/terminal/LinePresenter.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/Hex.h"
#include "platform/Printable.h"
#include "platform/Strings.h"
#include "platform/terminal/TerminalText.h"

namespace terminal {
namespace {

// A command that may run at any time; in a modal state it waits until the
// modal state ends.
bool IsAnyTimeCommand(const std::vector<std::string>& words) {
  if (words.size() != 1) return false;
  const std::string word = LCaseAscii(words[0]);
  return word == "close" || word == "endsession" || word == "about";
}

// The mouse code a command names, if it names one.
std::optional<long> NamedMouseCode(const std::string& command) {
  if (command == "move") return WM_MOUSEMOVE;
  if (command == "dblclick") return WM_LBUTTONDBLCLK;
  if (command == "rclick") return WM_RBUTTONUP;
  return std::nullopt;
}

}  // namespace

std::optional<long> LinePresenter::ParseCode(const std::string& text) {
  if (StartsWithAsciiNoCase(text, "0x") && text.size() > 2) {
    std::string_view digits = std::string_view(text).substr(2);
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size() - 1));  // leading zeros are no digits too many
    uint32_t value = 0;
    if (!ParseHex32(digits, value) || value > 0x7fffffffu) return std::nullopt;
    return static_cast<long>(value);
  }
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || value > 0x7fffffffL) return std::nullopt;
  return value;
}

Command LinePresenter::Refuse(const std::string& why) {
  Complain(why);
  return {};
}

void LinePresenter::IconChanged(IconChange change) {
  switch (change) {
    case IconChange::Added: return Print("icon: " + Printable(status_.tip));
    case IconChange::TipChanged: return Print("tooltip: " + Printable(status_.tip));
    case IconChange::Removed: return Print("icon: removed");
  }
}

void LinePresenter::ShowDialog(const Form& form) {
  const std::string prefix = LinePrefix(form);
  Print(prefix + "open \"" + Printable(form.Caption) + "\"");
  int link = 0;
  for (const Control* control : form.Controls) {
    if (control->Caption.empty()) continue;
    if (control->Kind == ControlKind::LinkLabel) {
      Print(prefix + "link " + std::to_string(++link) + ": " + Printable(control->Caption));
    } else if (control->Kind == ControlKind::CommandButton) {
      Print(prefix + "[" + Printable(control->Caption) + "]");
    } else {
      Print(prefix + Printable(control->Caption));
    }
  }
}

Command LinePresenter::Interpret(const std::string& line, const Situation& now) {
  const std::vector<std::string> words = Words(line);
  if (words.empty()) return {};
  const std::string command = LCaseAscii(words[0]);
  const bool alone = words.size() == 1;
  if (!alone && (NamedMouseCode(command) || command == "close" || command == "endsession" || command == "about" ||
                 command == "ok"))
    return Refuse("\"" + command + "\" takes no argument");
  // What needs the tray icon.
  const auto onTray = [&](Command asked) { return now.trayLoaded ? asked : Refuse("the tray icon is gone"); };

  if (const std::optional<long> code = NamedMouseCode(command)) return onTray({Command::MouseCode, *code});
  if (command == "code") {
    const std::optional<long> code = words.size() == 2 ? ParseCode(words[1]) : std::nullopt;
    if (!code) return Refuse("usage: code N (a number, decimal or 0x hex)");
    return onTray({Command::MouseCode, *code});
  }
  if (command == "close") return onTray({Command::CloseTray});
  if (command == "endsession") return {Command::EndSession};
  if (command == "about") return onTray({Command::About});
  if (command == "link") {
    if (!now.dialogOpen) return Refuse("no dialog is open");
    if (words.size() != 2 || (words[1] != "1" && words[1] != "2")) return Refuse("usage: link 1 | link 2");
    return {Command::Link, words[1][0] - '0'};
  }
  if (command == "ok") return now.dialogOpen ? Command{Command::DialogOk} : Refuse("no dialog or message box is open");
  if (command == "choose" || command == "dismiss") return Refuse("no menu is open");
  if (command == "yes" || command == "no" || command == "cancel") return Refuse("no message box is open");
  return Refuse("unknown command: " + Printable(line));
}

void LinePresenter::OpenMenu(const PopupMenu& menu) {
  Print("menu: open");
  for (const MenuItem* item : menu.Items()) {
    if (item->IsSeparator()) {
      Print("menu: ----");
      continue;
    }
    const std::string text = MarkedCaption(*item, [](const std::string& key) { return "[" + key + "]"; });
    Print("menu: " + (item->Enabled ? text : text + " (disabled)"));
  }
}

MenuStep LinePresenter::MenuInput(PopupMenu& menu, const std::string& line) {
  const std::vector<std::string> words = Words(line);
  if (words.empty()) return {};
  const std::string command = LCaseAscii(words[0]);
  if (command == "choose" && words.size() == 2) {
    if (MenuItem* chosen = menu.ByAccessKey(words[1])) return {true, chosen};
    Complain("the menu has no enabled item with the access key " + Printable(words[1]));
    return {};
  }
  if (command == "dismiss" && words.size() == 1) return {true};
  if (IsAnyTimeCommand(words)) return {true, nullptr, true};  // the menu closes, then the command runs
  Complain("the menu is open: choose X or dismiss");
  return {};
}

void LinePresenter::CloseMenu(const PopupMenu&, const MenuItem* chosen) {
  Print(chosen != nullptr ? "menu: chosen " + Printable(chosen->Text()) : std::string("menu: dismissed"));
}

void LinePresenter::OpenMsgBox(const std::string& prompt, const std::string& title, const MsgBoxChoices& choices) {
  Print("message box: " + Printable(title) + ": " + Printable(prompt) + " [" + choices.Names() + "]");
}

MsgBoxStep LinePresenter::MsgBoxInput(const MsgBoxChoices& choices, const std::string& line) {
  const std::vector<std::string> words = Words(line);
  if (words.empty()) return {};
  const std::string word = LCaseAscii(words[0]);
  for (const auto& [name, result] : choices.answers)
    if (words.size() == 1 && word == name) return {result};
  if (IsAnyTimeCommand(words)) {
    Complain("\"" + word + "\" waits until the message box is answered");
    return {std::nullopt, true};
  }
  Complain("a message box is open: answer " + choices.Names());
  return {};
}

}  // namespace terminal
