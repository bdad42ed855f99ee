#include "platform/terminal/TerminalInput.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "platform/terminal/CloseSignals.h"
#include "platform/terminal/KeyDecoder.h"

namespace terminal {
namespace {

// How long the rest of an escape sequence may take to come.
constexpr int kEscapeWaitMs = 50;

}  // namespace

TerminalInput::TerminalInput(int fd) : fd_(fd), keys_(::isatty(fd) == 1) {
  if (keys_ && ::tcgetattr(fd_, &savedTermios_) == 0) {
    termios raw = savedTermios_;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));  // Ctrl-C still sends SIGINT
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    rawMode_ = ::tcsetattr(fd_, TCSANOW, &raw) == 0;
  }
}

TerminalInput::~TerminalInput() {
  if (rawMode_) ::tcsetattr(fd_, TCSANOW, &savedTermios_);
}

Event TerminalInput::Next() {
  while (true) {
    if (const std::optional<int> signal = TakeCloseSignal()) return Event{Event::Signal, "", *signal};
    if (auto buffered = TakeBuffered(!ended_)) return *buffered;
    if (ended_) {
      pending_.clear();
      return Event{Event::End, ""};
    }
    if (!Fill()) {
      // No rest came: an Esc alone, or a sequence to drop.
      if (auto buffered = TakeBuffered(false)) return *buffered;
    }
  }
}

std::optional<Event> TerminalInput::TakeBuffered(bool more) {
  if (pending_.empty()) return std::nullopt;
  return keys_ ? TakeKey(more) : TakeLine(more);
}

std::optional<Event> TerminalInput::TakeLine(bool more) {
  const size_t newline = pending_.find('\n');
  if (newline == std::string::npos) {
    if (more) return std::nullopt;
    std::string line;  // at the end of input, a last line without its line break
    line.swap(pending_);
    return Event{Event::Input, line};
  }
  std::string line = pending_.substr(0, newline);
  pending_.erase(0, newline + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return Event{Event::Input, line};
}

std::optional<Event> TerminalInput::TakeKey(bool more) {
  while (!pending_.empty()) {
    KeyToken token = ReadKey(pending_, more);
    if (token.used == 0) return std::nullopt;
    pending_.erase(0, token.used);
    if (!token.key.empty()) return Event{Event::Input, token.key};
  }
  return std::nullopt;
}

bool TerminalInput::Fill() {
  // The rest of an escape sequence comes at once; a lone Esc has none.
  const int timeout = keys_ && !pending_.empty() ? kEscapeWaitMs : -1;
  const int signalFd = CloseSignalFd();
  pollfd fds[2] = {{fd_, POLLIN, 0}, {signalFd, POLLIN, 0}};
  const int ready = ::poll(fds, signalFd >= 0 ? 2 : 1, timeout);
  if (ready < 0) return true;  // a signal: Next reads its byte
  if (ready == 0) return false;
  if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
    char buffer[4096];
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got > 0) {
      pending_.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
      ended_ = true;
    }
  } else if (fds[0].revents & POLLNVAL) {
    ended_ = true;
  }
  return true;
}

}  // namespace terminal
