#pragma once
// Standard input and the close signals as one stream of events. On a
// terminal the input is keys (raw mode: no line editing, no echo; Ctrl-C
// still sends SIGINT); otherwise it is lines, for scripts.
#include <optional>
#include <string>
#include <termios.h>

namespace terminal {

// One thing that happened: a line or key of input, a signal, or the end of input.
struct Event {
  enum Kind { Input, Signal, End } kind;
  std::string text;  // the line, or the key ("a", "\n", "\x1b", "up", "down")
  int signal = 0;
};

class TerminalInput {
 public:
  explicit TerminalInput(int fd);
  ~TerminalInput();  // the terminal's own modes back
  TerminalInput(const TerminalInput&) = delete;
  TerminalInput& operator=(const TerminalInput&) = delete;

  // A terminal: keys rather than lines.
  bool IsTerminal() const { return keys_; }
  // Waits for the next event. After the end of input, every call is End.
  Event Next();

 private:
  // more: input may still come to finish a line or an escape sequence.
  std::optional<Event> TakeBuffered(bool more);
  std::optional<Event> TakeLine(bool more);
  std::optional<Event> TakeKey(bool more);
  // Waits for input or a signal and reads the input that came; false when
  // nothing came in time.
  bool Fill();

  int fd_;
  bool keys_;
  bool rawMode_ = false;
  termios savedTermios_{};
  bool ended_ = false;
  std::string pending_;  // read but not yet taken
};

}  // namespace terminal
