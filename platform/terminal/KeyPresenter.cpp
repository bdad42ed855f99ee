#include "platform/terminal/KeyPresenter.h"

#include <algorithm>
#include <sstream>

#include "platform/Printable.h"
#include "platform/Strings.h"
#include "platform/terminal/TerminalText.h"

namespace terminal {
namespace {

constexpr char kClearLine[] = "\r\x1b[K";
// Where the panel wraps a long text.
constexpr size_t kPanelTextWidth = 64;

// Columns on the screen: escape sequences take none, UTF-8 characters one.
size_t Columns(const std::string& line) {
  size_t visible = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\x1b') {
      while (i < line.size() && line[i] != 'm') ++i;
    } else if ((static_cast<unsigned char>(line[i]) & 0xC0) != 0x80) {
      ++visible;
    }
  }
  return visible;
}

// A text as rows of whole words.
void AppendWrapped(const std::string& text, std::vector<std::string>& lines) {
  std::string row;
  for (const std::string& word : Words(text)) {
    if (!row.empty() && row.size() + 1 + word.size() > kPanelTextWidth) {
      lines.push_back(row);
      row.clear();
    }
    row += (row.empty() ? "" : " ") + word;
  }
  lines.push_back(row);
}

std::string Framed(const std::vector<std::string>& lines) {
  size_t width = 0;
  for (const std::string& line : lines) width = std::max(width, Columns(line));
  const std::string edge = "+" + std::string(width + 2, '-') + "+";
  std::string panel = edge + "\n";
  for (const std::string& line : lines) panel += "| " + line + std::string(width - Columns(line), ' ') + " |\n";
  return panel + edge;
}

// An item of the popup: its access key underlined, a disabled one dim, the
// highlighted one in reverse video.
std::string MenuLine(const MenuItem& item, bool highlighted) {
  if (item.IsSeparator()) return "  ----------------";
  const std::string text = MarkedCaption(item, [](const std::string& key) { return "\x1b[4m" + key + "\x1b[24m"; });
  std::string line = (highlighted ? "> " : "  ") + text;
  if (!item.Enabled) line = "\x1b[2m" + line + "\x1b[22m";
  if (highlighted) line = "\x1b[7m" + line + "\x1b[27m";
  return line;
}

}  // namespace

std::string KeyPresenter::Panel(const Form& form) {
  std::vector<std::string> lines{form.Caption, ""};
  int link = 0;
  for (const Control* control : form.Controls) {
    if (control->Caption.empty()) continue;
    if (control->Kind == ControlKind::LinkLabel) {
      lines.push_back("[" + std::to_string(++link) + "] \x1b[4m" + Printable(control->Caption) + "\x1b[24m");
    } else if (control->Kind == ControlKind::CommandButton) {
      lines.push_back("");
      lines.push_back("< " + Printable(control->Caption) + " >");
    } else {
      AppendWrapped(Printable(control->Caption), lines);
    }
  }
  lines.push_back("");
  lines.push_back("1, 2: open a link    Enter or Esc: close");
  return Framed(lines);
}

void KeyPresenter::ShowDialog(const Form& form) {
  ClearStatus();
  std::fprintf(out_, "%s\n", Panel(form).c_str());
  DrawStatus();
}

Command KeyPresenter::Interpret(const std::string& key, const Situation& now) {
  if (now.dialogOpen) {
    if (key == "1" || key == "2") return {Command::Link, key[0] - '0'};
    if (key == "\n") return {Command::DialogOk};
    if (key == "\x1b") return {Command::DialogCancel};
  }
  if (key.size() != 1) return {};
  switch (AsciiLower(key[0])) {
    case 'm': return now.trayLoaded ? Command{Command::MouseCode, WM_MOUSEMOVE} : Command{};
    case 'd': return now.trayLoaded ? Command{Command::MouseCode, WM_LBUTTONDBLCLK} : Command{};
    case 'r': return now.trayLoaded ? Command{Command::MouseCode, WM_RBUTTONUP} : Command{};
    case 'a': return now.trayLoaded ? Command{Command::About} : Command{};
    case 'q': return now.trayLoaded ? Command{Command::CloseTray} : Command{};
    case 'e': return {Command::EndSession};
    default: return {};
  }
}

void KeyPresenter::OpenMenu(const PopupMenu& menu) {
  ClearStatus();
  DrawMenu(menu, false);
}

void KeyPresenter::DrawMenu(const PopupMenu& menu, bool again) {
  const std::vector<MenuItem*>& items = menu.Items();
  if (again) std::fprintf(out_, "\x1b[%zuA", items.size() + 1);
  std::fprintf(out_, "%s[menu] access key, arrows and Enter; Esc closes\n", kClearLine);
  for (size_t i = 0; i < items.size(); ++i)
    std::fprintf(out_, "%s%s\n", kClearLine, MenuLine(*items[i], static_cast<int>(i) == menu.Highlight()).c_str());
  std::fflush(out_);
}

MenuStep KeyPresenter::MenuInput(PopupMenu& menu, const std::string& key) {
  if (key == "\x1b") return {true};
  if (key == "\n") return {true, menu.Highlighted()};
  if ((key == "up" || key == "down") && menu.Highlight() >= 0) {
    menu.MoveHighlight(key == "up" ? -1 : 1);
    DrawMenu(menu, true);
    return {};
  }
  if (MenuItem* chosen = menu.ByAccessKey(key)) return {true, chosen};
  return {};
}

void KeyPresenter::CloseMenu(const PopupMenu& menu, const MenuItem*) {
  std::fprintf(out_, "\x1b[%zuA\x1b[J", menu.Items().size() + 1);  // the menu disappears
  DrawStatus();
}

void KeyPresenter::OpenMsgBox(const std::string& prompt, const std::string& title, const MsgBoxChoices& choices) {
  ClearStatus();
  std::string text = prompt;
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, 1, '\n');
  std::fprintf(out_, "[%s]\n", Printable(title).c_str());
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) std::fprintf(out_, "  %s\n", Printable(line).c_str());
  std::string keys;
  for (size_t i = 0; i < choices.answers.size(); ++i) {
    const std::string& name = choices.answers[i].first;
    keys += (i ? "  " : "") + std::string("[") + AsciiUpper(name[0]) + "]" + name.substr(1);
    if (i == choices.defaultAnswer) keys += " (Enter)";
  }
  std::fprintf(out_, "  %s ", keys.c_str());
  std::fflush(out_);
}

MsgBoxStep KeyPresenter::MsgBoxInput(const MsgBoxChoices& choices, const std::string& key) {
  if (key == "\n") return {choices.answers[choices.defaultAnswer].second};
  // An answer's first letter, in either case.
  std::optional<int32_t> answer;
  for (const auto& [name, result] : choices.answers)
    if (key.size() == 1 && AsciiLower(key[0]) == name[0]) answer = result;
  if (!answer && key == "\x1b") {
    // Esc: Cancel, or the one OK.
    for (const auto& [name, result] : choices.answers)
      if (name == "cancel" || (choices.answers.size() == 1 && name == "ok")) answer = result;
  }
  return {answer};
}

void KeyPresenter::CloseMsgBox() {
  std::fprintf(out_, "\n");
  DrawStatus();
}

void KeyPresenter::DrawStatus() {
  if (status_.ended) return;
  std::string status =
      status_.iconShown ? "\x1b[7m [icon] " + Printable(status_.tip) + " \x1b[27m" : std::string("[no icon]");
  if (status_.busy) status += " (busy)";
  status += "  m:move d:double-click r:right-click a:about q:close e:end session";
  std::fprintf(out_, "%s%s", kClearLine, status.c_str());
  std::fflush(out_);
  statusShown_ = true;
}

void KeyPresenter::ClearStatus() {
  if (!statusShown_) return;
  std::fprintf(out_, "%s", kClearLine);
  statusShown_ = false;
}

}  // namespace terminal
