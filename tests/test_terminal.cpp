// The terminal front end's parts on their own: the key decoder, the popup
// menu's and message box's choices, and what each presenter shows and
// understands.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

#include "platform/Form.h"
#include "platform/modAPI.h"
#include "platform/terminal/KeyDecoder.h"
#include "platform/terminal/KeyPresenter.h"
#include "platform/terminal/LinePresenter.h"

namespace {

using terminal::Command;
using terminal::MsgBoxChoices;

// The keys a stream of bytes gives, joined by blanks, and the bytes left
// waiting for more.
std::pair<std::string, size_t> Keys(std::string_view input, bool more) {
  std::string keys;
  for (terminal::KeyToken token; !input.empty(); input.remove_prefix(token.used)) {
    token = terminal::ReadKey(input, more);
    if (token.used == 0) break;
    if (!token.key.empty()) keys += (keys.empty() ? "" : " ") + token.key;
  }
  return {keys, input.size()};
}

TEST(TerminalKeys, EachEscapeSequenceIsTakenWholeAndOnlyTheCursorKeysMeanSomething) {
  const struct {
    std::string input;
    bool more;
    std::string keys;
    size_t left;
  } cases[] = {
      {"d", false, "d", 0}, {"\r", false, "\n", 0}, {"\x1b[A", false, "up", 0}, {"\x1bOB", false, "down", 0},
      // Shift+Left; Left in application cursor mode; Ctrl+Up is no plain Up; F5, then a key of its own.
      {"\x1b[1;2D", false, "", 0}, {"\x1bOD", false, "", 0}, {"\x1b[1;5A", false, "", 0}, {"\x1b[15~d", false, "d", 0},
      // Sequences the program does not know, ended by the first and the last final byte.
      {"\x1b[@d", false, "d", 0}, {"\x1b[~r", false, "r", 0},
      // Bracketed paste begins; a title ended by BEL, and by ST; a character set chosen.
      {"\x1b[200~", false, "", 0}, {"\x1b]0;title\x07" "d", false, "d", 0}, {"\x1b]0;t\x1b\\d", false, "d", 0},
      {"\x1b(Bd", false, "d", 0},
      // Alt+d is no double-click; Esc alone; Esc before a sequence; one broken off: the next sequence stands.
      {"\x1b" "d", false, "", 0}, {"\x1b", false, "\x1b", 0}, {"\x1b\x1b[A", false, "\x1b up", 0},
      {"\x1b[1;2\x1b[A", false, "up", 0},
      // Unfinished: wait for the rest, or drop it whole when none comes.
      {"\x1b", true, "", 1}, {"\x1b[1;2", true, "", 5}, {"\x1bO", true, "", 2},
      {"\x1b[1;2", false, "", 0}, {"\x1bO", false, "", 0},
      {"\x1b[" + std::string(300, '1'), true, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.input));
    EXPECT_EQ(Keys(c.input, c.more), std::pair(c.keys, c.left));
  }
}

// A popup like the tray's: a separator, a hidden item and a disabled one among them.
struct SampleMenu {
  MenuItem root{"mnuPopup", "Popup"};
  MenuItem open{"mnuOpen", "&Open Vantorel..."};
  MenuItem line{"mnuSep", "-"};
  MenuItem hidden{"mnuHidden", "&Hidden", false};
  MenuItem disabled{"mnuClose", "&Close", true, false};
  MenuItem about{"mnuAbout", "R&&D && &About"};
  SampleMenu() { root.Items = {&open, &line, &hidden, &disabled, &about}; }
};

// (The items shown, the first highlighted, the access keys of enabled and
// disabled items: the presenters' tests below.)
TEST(TerminalChoices, TheArrowsAndAccessKeysReachOnlyWhatCanBeChosen) {
  SampleMenu sample;
  terminal::PopupMenu menu(sample.root);
  // Down past the separator and the disabled item, down round the end, up round the start.
  for (const auto& [move, highlighted] : {std::pair{1, &sample.about}, {1, &sample.open}, {-1, &sample.about}}) {
    menu.MoveHighlight(move);
    EXPECT_EQ(menu.Highlighted(), highlighted) << move;
  }
  for (const char* key : {"h", "ab"}) EXPECT_EQ(menu.ByAccessKey(key), nullptr) << key;  // a hidden item; two keys

  MenuItem nothing{"mnuNothing", "Nothing"};
  nothing.Items = {&sample.line, &sample.disabled};
  terminal::PopupMenu empty(nothing);
  EXPECT_EQ(empty.Highlight(), -1);
  empty.MoveHighlight(1);
  EXPECT_EQ(empty.Highlighted(), nullptr);
}

TEST(TerminalChoices, EachMessageBoxOffersItsAnswersWithEntersAndTheFallback) {
  const struct {
    int32_t buttons;
    const char* names;
    int32_t fallback;
    size_t enter;
  } cases[] = {
      {vbOKOnly + vbExclamation, "ok", vbOK, 0}, {vbOKCancel + 0x100, "ok/cancel", vbCancel, 1},
      {2 + 0x200, "abort/retry/ignore", vbAbort, 2}, {3, "yes/no/cancel", vbCancel, 0},
      {vbYesNo + vbQuestion + 0x300, "yes/no", vbNo, 1},  // a fourth button's default is the last
      {5, "retry/cancel", vbCancel, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.names);
    const MsgBoxChoices choices(c.buttons);
    EXPECT_EQ(std::tuple(choices.Names(), choices.fallback, choices.defaultAnswer),
              std::tuple(c.names, c.fallback, c.enter));
  }
}

// One stream of a presenter's, caught in memory.
struct Caught {
  char* text = nullptr;
  size_t size = 0, taken = 0;
  std::FILE* file = ::open_memstream(&text, &size);
  ~Caught() {
    std::fclose(file);
    std::free(text);
  }
  // What came since the last Take.
  std::string Take() {
    std::fflush(file);
    return std::string(text + std::exchange(taken, size), text + size);
  }
};

TEST(TerminalLinePresenter, CommandsAskOnlyForWhatCanBeDoneNowAndTheMenuIsOneLineAnItem) {
  Caught out, err;
  terminal::TrayStatus status;
  terminal::LinePresenter lines(status, out.file, err.file, "vtrsystray: ");
  const terminal::Situation idle{true, false}, dialog{true, true}, gone{false, false};
  const char* const kUsage = "usage: code N (a number, decimal or 0x hex)";
  using enum Command::Kind;
  const struct {
    const char* line;
    terminal::Situation now;
    Command::Kind kind;
    long number;
    std::string complaint;
  } cases[] = {
      {"MOVE", idle, MouseCode, WM_MOUSEMOVE, ""}, {"  rclick ", idle, MouseCode, WM_RBUTTONUP, ""},
      {"dblclick", idle, MouseCode, WM_LBUTTONDBLCLK, ""}, {"code 0x00000000205", idle, MouseCode, 0x205, ""},
      {"code 2147483647", idle, MouseCode, 0x7fffffffL, ""}, {"close", idle, CloseTray, 0, ""},
      {"about", idle, About, 0, ""}, {"endsession", gone, EndSession, 0, ""}, {"link 2", dialog, Link, 2, ""},
      {"ok", dialog, DialogOk, 0, ""}, {"", idle, None, 0, ""},
      {"code 0x80000000", idle, None, 0, kUsage}, {"code -1", idle, None, 0, kUsage},
      {"code 0x", idle, None, 0, kUsage}, {"code 1e3", idle, None, 0, kUsage},
      {"code 99999999999999999999", idle, None, 0, kUsage}, {"move now", idle, None, 0, "\"move\" takes no argument"},
      {"close", gone, None, 0, "the tray icon is gone"}, {"link 1", idle, None, 0, "no dialog is open"},
      {"link 3", dialog, None, 0, "usage: link 1 | link 2"}, {"ok", idle, None, 0, "no dialog or message box is open"},
      {"choose a", idle, None, 0, "no menu is open"}, {"yes", idle, None, 0, "no message box is open"},
      {"frob\x1b", idle, None, 0, "unknown command: frob\\x1B"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const Command command = lines.Interpret(c.line, c.now);
    EXPECT_EQ(std::tie(command.kind, command.number), std::tie(c.kind, c.number));
    EXPECT_EQ(err.Take(), c.complaint.empty() ? "" : "vtrsystray: " + c.complaint + "\n");
  }
  EXPECT_EQ(out.Take(), "");

  // The menu: one line an item; it takes its access keys.
  SampleMenu sample;
  terminal::PopupMenu menu(sample.root);
  lines.OpenMenu(menu);
  EXPECT_EQ(out.Take(),
            "menu: open\nmenu: [O]pen Vantorel...\nmenu: ----\nmenu: [C]lose (disabled)\nmenu: R&D & [A]bout\n");
  const struct {
    const char* line;
    bool closes;
    MenuItem* chosen;
    bool runsAfter;
    const char* complaint;
  } menuCases[] = {
      {"choose a", true, &sample.about, false, ""},
      {"choose c", false, nullptr, false, "the menu has no enabled item with the access key c"},
      {"dismiss", true, nullptr, false, ""}, {"close", true, nullptr, true, ""},
      {"choose", false, nullptr, false, "the menu is open: choose X or dismiss"},
  };
  for (const auto& c : menuCases) {
    SCOPED_TRACE(c.line);
    const terminal::MenuStep step = lines.MenuInput(menu, c.line);
    EXPECT_EQ(std::tie(step.closes, step.chosen, step.runsAfter), std::tie(c.closes, c.chosen, c.runsAfter));
    EXPECT_EQ(err.Take(), *c.complaint ? std::string("vtrsystray: ") + c.complaint + "\n" : "");
  }
  lines.CloseMenu(menu, &sample.about);
  lines.CloseMenu(menu, nullptr);
  EXPECT_EQ(out.Take(), "menu: chosen R&D & About\nmenu: dismissed\n");
}

// On a terminal: the status line gives way to the menu, the highlight moves
// in place, and the message box names its keys.
TEST(TerminalKeyPresenter, TheMenuAndTheMessageBoxAreDrawnWithTheirKeys) {
  Caught out, err;
  terminal::TrayStatus status{true, "Last file applied: C:\\a.txt", false, false};
  terminal::KeyPresenter keys(status, out.file, err.file, "vtrsystray: ");
  keys.IconChanged(terminal::IconChange::Added);
  const std::string statusLine =
      "\r\x1b[K\x1b[7m [icon] Last file applied: C:\\a.txt \x1b[27m  m:move d:double-click r:right-click a:about "
      "q:close e:end session";
  EXPECT_EQ(out.Take(), statusLine);

  SampleMenu sample;
  terminal::PopupMenu menu(sample.root);
  keys.OpenMenu(menu);
  const std::string head = "\r\x1b[K[menu] access key, arrows and Enter; Esc closes\n";
  const std::string separator = "\r\x1b[K  ----------------\n";
  const std::string disabled = "\r\x1b[K\x1b[2m  \x1b[4mC\x1b[24mlose\x1b[22m\n";
  EXPECT_EQ(out.Take(), "\r\x1b[K" + head + "\r\x1b[K\x1b[7m> \x1b[4mO\x1b[24mpen Vantorel...\x1b[27m\n" + separator +
                            disabled + "\r\x1b[K  R&D & \x1b[4mA\x1b[24mbout\n");
  EXPECT_FALSE(keys.MenuInput(menu, "down").closes);
  EXPECT_EQ(out.Take(), "\x1b[5A" + head + "\r\x1b[K  \x1b[4mO\x1b[24mpen Vantorel...\n" + separator + disabled +
                            "\r\x1b[K\x1b[7m> R&D & \x1b[4mA\x1b[24mbout\x1b[27m\n");
  EXPECT_EQ(keys.MenuInput(menu, "\n").chosen, &sample.about);
  EXPECT_EQ(keys.MenuInput(menu, "O").chosen, &sample.open);
  const terminal::MenuStep esc = keys.MenuInput(menu, "\x1b");
  EXPECT_TRUE(esc.closes && esc.chosen == nullptr);
  keys.CloseMenu(menu, nullptr);
  EXPECT_EQ(out.Take(), "\x1b[5A\x1b[J" + statusLine);

  const MsgBoxChoices yesNoCancel(3 + 0x100), okOnly(vbOKOnly);
  keys.OpenMsgBox("Run it\r\nnow?", "Vantorel", yesNoCancel);
  EXPECT_EQ(out.Take(), "\r\x1b[K[Vantorel]\n  Run it\n  now?\n  [Y]es  [N]o (Enter)  [C]ancel ");
  const struct {
    const MsgBoxChoices& choices;
    const char* key;
    std::optional<int32_t> answer;
  } cases[] = {
      {yesNoCancel, "\n", vbNo}, {yesNoCancel, "Y", vbYes}, {yesNoCancel, "\x1b", vbCancel},
      {yesNoCancel, "o", std::nullopt}, {okOnly, "\x1b", vbOK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(c.key)));
    EXPECT_EQ(keys.MsgBoxInput(c.choices, c.key).answer, c.answer);
  }
  keys.CloseMsgBox();
  EXPECT_EQ(out.Take(), "\n" + statusLine);
  EXPECT_EQ(err.Take(), "");
  // A complaint takes the status line's place, which is drawn again after it.
  keys.Complain("no menu is open");
  EXPECT_EQ(std::pair(out.Take(), err.Take()),
            std::pair("\r\x1b[K" + statusLine, std::string("vtrsystray: no menu is open\n")));
}

// A dialog on a terminal: texts wrapped by words, links numbered, the
// button, and the keys, framed as wide as the widest line.
TEST(TerminalKeyPresenter, ADialogIsAFramedPanelWithNumberedLinksAndItsKeys) {
  Form form("frmAbout");
  form.Caption = "About \xC3\x84";
  Control text("lblText", ControlKind::Label, nullptr, 0, 0, 0, 0);
  Control picture("picIcon", ControlKind::PictureBox, nullptr, 0, 0, 0, 0);
  Control link("lblLink", ControlKind::LinkLabel, nullptr, 0, 0, 0, 0);
  Control ok("cmdOK", ControlKind::CommandButton, nullptr, 0, 0, 0, 0);
  text.Caption = std::string(40, 'a') + " " + std::string(30, 'b');
  link.Caption = "C:\\x";
  ok.Caption = "OK";
  form.Controls = {&text, &picture, &link, &ok};
  const auto row = [](const std::string& line, size_t columns) {
    return "| " + line + std::string(40 - columns, ' ') + " |\n";
  };
  const std::string edge = "+" + std::string(42, '-') + "+";
  EXPECT_EQ(terminal::KeyPresenter::Panel(form),
            edge + "\n" + row("About \xC3\x84", 7) + row("", 0) + row(std::string(40, 'a'), 40) +
                row(std::string(30, 'b'), 30) + row("[1] \x1b[4mC:\\x\x1b[24m", 8) + row("", 0) + row("< OK >", 6) +
                row("", 0) + row("1, 2: open a link    Enter or Esc: close", 40) + edge);

  // The keys the panel names, and the tray's own keys still reach the tray.
  Caught out, err;
  terminal::TrayStatus status;
  terminal::KeyPresenter keys(status, out.file, err.file, "vtrsystray: ");
  const terminal::Situation dialog{true, true};
  using enum Command::Kind;
  for (const auto& [key, kind] : {std::pair("\n", DialogOk), {"\x1b", DialogCancel}, {"2", Link}, {"m", MouseCode}})
    EXPECT_EQ(keys.Interpret(key, dialog).kind, kind) << key;
}

}  // namespace
