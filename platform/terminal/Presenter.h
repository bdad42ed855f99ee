#pragma once
// How the terminal front end shows what happens and understands what is
// typed. There are two: LinePresenter (one command a line, one line of
// output per change, for scripts) and KeyPresenter (keys and a status line,
// on a terminal). The runtime keeps the state and runs the popup menu and
// message boxes; a presenter shows them and turns one line or key into
// what it asks for.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include "platform/Form.h"
#include "platform/terminal/Choices.h"

namespace terminal {

// What the status line shows.
struct TrayStatus {
  bool iconShown = false;
  std::string tip;
  bool busy = false;   // the hourglass pointer
  bool ended = false;  // the program is ending: no status line any more
};

enum class IconChange { Added, TipChanged, Removed };

// What is open, which decides what an input may do.
struct Situation {
  bool trayLoaded = false;
  bool dialogOpen = false;
};

// What an input at the top level asks the program to do.
struct Command {
  enum Kind { None, MouseCode, CloseTray, EndSession, About, Link, DialogOk, DialogCancel } kind = None;
  long number = 0;  // the mouse code, or the link's number
};

// Where an input leaves the popup menu.
struct MenuStep {
  bool closes = false;
  MenuItem* chosen = nullptr;
  bool runsAfter = false;  // the input runs again once the menu is closed
};

// Where an input leaves a message box.
struct MsgBoxStep {
  std::optional<int32_t> answer;
  bool runsAfter = false;  // the input runs again once the box is answered
};

class Presenter {
 public:
  // Output goes to out, complaints about input to err, each begun with
  // complaintPrefix (the program's name); status is the runtime's, read
  // whenever it is shown.
  Presenter(const TrayStatus& status, std::FILE* out, std::FILE* err, std::string complaintPrefix)
      : status_(status), out_(out), err_(err), complaintPrefix_(std::move(complaintPrefix)) {}
  virtual ~Presenter() = default;
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // One line of output.
  void Print(const std::string& line);
  // An input that changed nothing, and why.
  void Complain(const std::string& line);
  // The output is over: the status line goes and everything is written out.
  void Finish();

  virtual void IconChanged(IconChange change) = 0;
  virtual void PointerChanged() = 0;
  // A dialog appears (it was not on the screen).
  virtual void ShowDialog(const Form& form) = 0;
  // What an input asks for at the top level; one that can do nothing now
  // is complained of (or ignored) and asks for nothing.
  virtual Command Interpret(const std::string& input, const Situation& now) = 0;

  virtual void OpenMenu(const PopupMenu& menu) = 0;
  virtual MenuStep MenuInput(PopupMenu& menu, const std::string& input) = 0;
  virtual void CloseMenu(const PopupMenu& menu, const MenuItem* chosen) = 0;

  virtual void OpenMsgBox(const std::string& prompt, const std::string& title, const MsgBoxChoices& choices) = 0;
  virtual MsgBoxStep MsgBoxInput(const MsgBoxChoices& choices, const std::string& input) = 0;
  virtual void CloseMsgBox() = 0;

 protected:
  // A status line of the presenter's own leaves the screen, and comes back,
  // around other output.
  virtual void ClearStatus() {}
  virtual void DrawStatus() {}

  const TrayStatus& status_;
  std::FILE* out_;
  std::FILE* err_;
  const std::string complaintPrefix_;
};

}  // namespace terminal
