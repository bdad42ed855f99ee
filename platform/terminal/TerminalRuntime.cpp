#include "platform/terminal/TerminalRuntime.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "platform/emu/DriveView.h"
#include "platform/emu/Launcher.h"
#include "platform/terminal/KeyDecoder.h"

namespace {

// Signals reach the loop through a pipe, so that they are handled between
// two events like any input.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int signal) {
  const int saved = errno;
  const unsigned char byte = static_cast<unsigned char>(signal);
  (void)!::write(g_signalPipe[1], &byte, 1);
  errno = saved;
}

// Text from the registry or a dialog, made safe to print: control
// characters (a line break, an escape sequence) are shown as escapes.
std::string Printable(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7f) {
      static const char hex[] = "0123456789abcdef";
      out += "\\x";
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// "move" and the other names of a mouse code, or a number in decimal or hex.
std::optional<long> ParseCode(const std::string& text) {
  if (text.empty()) return std::nullopt;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const char* start = text.c_str() + (hex ? 2 : 0);
  if (*start == '\0' || *start == '-' || *start == '+' || *start == ' ') return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(start, &end, hex ? 16 : 10);
  if (errno != 0 || *end != '\0' || value > 0x7fffffffL) return std::nullopt;
  return value;
}

// A form's name without its "frm" prefix, in lower case: how its lines begin.
std::string LinePrefix(const Form& form) {
  std::string name = form.Name();
  if (name.rfind("frm", 0) == 0) name = name.substr(3);
  return Lower(name) + ": ";
}

struct MsgBoxChoices {
  std::vector<std::pair<std::string, int32_t>> answers;  // command, result
  int32_t fallback;                                      // at the end of input or a close signal
};

MsgBoxChoices ChoicesOf(int32_t buttons) {
  switch (buttons & 7) {
    case 1: return {{{"ok", vbOK}, {"cancel", vbCancel}}, vbCancel};
    case 2: return {{{"abort", vbAbort}, {"retry", vbRetry}, {"ignore", vbIgnore}}, vbAbort};
    case 3: return {{{"yes", vbYes}, {"no", vbNo}, {"cancel", vbCancel}}, vbCancel};
    case 4: return {{{"yes", vbYes}, {"no", vbNo}}, vbNo};
    case 5: return {{{"retry", vbRetry}, {"cancel", vbCancel}}, vbCancel};
    default: return {{{"ok", vbOK}}, vbOK};
  }
}

constexpr char kClearLine[] = "\r\x1b[K";
// How long the rest of an escape sequence may take to come.
constexpr int kEscapeWaitMs = 50;

}  // namespace

TerminalRuntime::TerminalRuntime(int inputFd, std::FILE* out, std::FILE* err)
    : inputFd_(inputFd), out_(out), err_(err), keys_(::isatty(inputFd) == 1) {
  if (keys_ && ::tcgetattr(inputFd_, &savedTermios_) == 0) {
    termios raw = savedTermios_;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));  // Ctrl-C still sends SIGINT
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    rawMode_ = ::tcsetattr(inputFd_, TCSANOW, &raw) == 0;
  }
}

TerminalRuntime::~TerminalRuntime() {
  ClearStatus();
  if (rawMode_) ::tcsetattr(inputFd_, TCSANOW, &savedTermios_);
  for (int sig : {SIGHUP, SIGTERM, SIGINT}) ::signal(sig, SIG_DFL);
  std::fflush(out_);
}

int TerminalRuntime::Run(Form& startupForm, MenuItem& aboutCommand) {
  startup_ = &startupForm;
  aboutCommand_ = &aboutCommand;
  if (g_signalPipe[0] < 0 && ::pipe(g_signalPipe) == 0) {
    for (int fd : g_signalPipe) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
      ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  }
  // A handler with nowhere to write would lose the signal: without the pipe
  // the signals keep their default action. SA_RESTART: a signal must not
  // cut short a write of ours (a line half printed) or any other call.
  if (g_signalPipe[1] >= 0) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGHUP, SIGTERM, SIGINT}) ::sigaction(sig, &action, nullptr);
  }
  ::signal(SIGPIPE, SIG_IGN);

  RunEventHandler([&] { startupForm.Load(); });
  if (Forms().empty()) ended_ = true;
  while (!ended_) {
    Event event;
    if (!deferred_.empty()) {
      event = deferred_.front();
      deferred_.pop_front();
    } else {
      event = NextEvent();
    }
    RunTopLevel(event);
    emu::ReapLaunched();
  }
  ClearStatus();
  std::fflush(out_);
  return 0;
}

// ---- Input -------------------------------------------------------------------------

std::optional<TerminalRuntime::Event> TerminalRuntime::TakeBuffered(bool more) {
  if (pending_.empty()) return std::nullopt;
  if (!keys_) {
    const size_t newline = pending_.find('\n');
    if (newline == std::string::npos) return std::nullopt;
    std::string line = pending_.substr(0, newline);
    pending_.erase(0, newline + 1);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return Event{Event::Line, line};
  }
  while (!pending_.empty()) {
    terminal::KeyToken token = terminal::ReadKey(pending_, more);
    if (token.used == 0) return std::nullopt;
    pending_.erase(0, token.used);
    if (!token.key.empty()) return Event{Event::Key, token.key};
  }
  return std::nullopt;
}

TerminalRuntime::Event TerminalRuntime::NextEvent() {
  while (true) {
    unsigned char signal = 0;
    if (g_signalPipe[0] >= 0 && ::read(g_signalPipe[0], &signal, 1) == 1)
      return Event{Event::Signal, "", signal};
    if (auto buffered = TakeBuffered(!inputEnded_)) return *buffered;
    if (inputEnded_) {
      if (!keys_ && !pending_.empty()) {  // a last line without its line break
        std::string line;
        line.swap(pending_);
        return Event{Event::Line, line};
      }
      pending_.clear();
      return Event{Event::End, ""};
    }

    // The rest of an escape sequence comes at once; a lone Esc has none.
    const int timeout = keys_ && !pending_.empty() ? kEscapeWaitMs : -1;
    pollfd fds[2] = {{inputFd_, POLLIN, 0}, {g_signalPipe[0], POLLIN, 0}};
    const int ready = ::poll(fds, g_signalPipe[0] >= 0 ? 2 : 1, timeout);
    if (ready < 0) continue;  // a signal: read its byte above
    if (ready == 0) {
      if (auto buffered = TakeBuffered(false)) return *buffered;
      continue;
    }
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      char buffer[4096];
      const ssize_t got = ::read(inputFd_, buffer, sizeof buffer);
      if (got > 0) {
        pending_.append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
        inputEnded_ = true;
      }
    } else if (fds[0].revents & POLLNVAL) {
      inputEnded_ = true;
    }
  }
}

// ---- What the program does at the top level -------------------------------------------

void TerminalRuntime::RunTopLevel(const Event& event) {
  switch (event.kind) {
    case Event::Signal:
      HandleSignal(event.signal);
      break;
    case Event::End:
      // Nobody is left to answer or to close anything: everything closes.
      UnloadAll(vbFormControlMenu);
      ended_ = true;
      break;
    case Event::Line:
      RunCommand(event.text);
      break;
    case Event::Key:
      RunKey(event.text);
      break;
  }
}

void TerminalRuntime::HandleSignal(int signal) {
  if (signal == SIGHUP) {
    EndSession();
  } else if (signal == SIGTERM) {
    UnloadAll(vbAppTaskManager);
  } else if (signal == SIGINT) {
    UnloadAll(vbFormControlMenu);
  }
}

bool TerminalRuntime::IsAnyTimeCommand(const std::string& line) const {
  const std::vector<std::string> words = Words(line);
  if (words.size() != 1) return false;
  const std::string word = Lower(words[0]);
  return word == "close" || word == "endsession" || word == "about";
}

void TerminalRuntime::RunCommand(const std::string& line) {
  const std::vector<std::string> words = Words(line);
  if (words.empty()) return;
  const std::string command = Lower(words[0]);
  const bool trayLoaded = startup_ != nullptr && startup_->IsLoaded();
  const auto noArguments = [&] {
    if (words.size() == 1) return true;
    Complain("\"" + command + "\" takes no argument");
    return false;
  };

  if (command == "move" || command == "dblclick" || command == "rclick" || command == "code") {
    long code = 0;
    if (command == "code") {
      const std::optional<long> parsed = words.size() == 2 ? ParseCode(words[1]) : std::nullopt;
      if (!parsed) return Complain("usage: code N (a number, decimal or 0x hex)");
      code = *parsed;
    } else {
      if (!noArguments()) return;
      code = command == "move" ? WM_MOUSEMOVE : command == "dblclick" ? WM_LBUTTONDBLCLK : WM_RBUTTONUP;
    }
    if (!trayLoaded) return Complain("the tray icon is gone");
    return SendMouseCode(code);
  }
  if (command == "close") {
    if (!noArguments()) return;
    if (!trayLoaded) return Complain("the tray icon is gone");
    Form& tray = *startup_;
    return RunEventHandler([&] { tray.Unload(vbFormControlMenu); });
  }
  if (command == "endsession") {
    if (noArguments()) EndSession();
    return;
  }
  if (command == "about") {
    if (!noArguments()) return;
    if (!trayLoaded) return Complain("the tray icon is gone");
    return startup_->RaiseClick(*aboutCommand_);
  }
  if (command == "link") {
    if (Dialog() == nullptr) return Complain("no dialog is open");
    if (words.size() != 2 || (words[1] != "1" && words[1] != "2")) return Complain("usage: link 1 | link 2");
    return ClickLink(words[1][0] - '0');
  }
  if (command == "ok") {
    if (!noArguments()) return;
    if (Dialog() == nullptr) return Complain("no dialog or message box is open");
    return ClickDialogButton(false);
  }
  if (command == "choose" || command == "dismiss") return Complain("no menu is open");
  if (command == "yes" || command == "no" || command == "cancel") return Complain("no message box is open");
  Complain("unknown command: " + Printable(line));
}

void TerminalRuntime::RunKey(const std::string& key) {
  const bool trayLoaded = startup_ != nullptr && startup_->IsLoaded();
  if (Dialog() != nullptr) {
    if (key == "1" || key == "2") return ClickLink(key[0] - '0');
    if (key == "\n") return ClickDialogButton(false);
    if (key == "\x1b") return ClickDialogButton(true);
  }
  const std::string k = Lower(key);
  if (k == "m" || k == "d" || k == "r") {
    if (!trayLoaded) return;
    return SendMouseCode(k == "m" ? WM_MOUSEMOVE : k == "d" ? WM_LBUTTONDBLCLK : WM_RBUTTONUP);
  }
  if (k == "a" && trayLoaded) return startup_->RaiseClick(*aboutCommand_);
  if (k == "q" && trayLoaded) {
    Form& tray = *startup_;
    return RunEventHandler([&] { tray.Unload(vbFormControlMenu); });
  }
  if (k == "e") return EndSession();
}

void TerminalRuntime::SendMouseCode(long code) {
  // The shell puts the code where the horizontal position goes, in pixels.
  startup_->RaiseMouseMove(0, 0, static_cast<float>(code), 0.0f);
}

void TerminalRuntime::UnloadAll(int16_t mode) {
  const std::vector<Form*> forms = Forms();
  for (Form* form : forms) {
    if (form->IsLoaded()) RunEventHandler([&] { form->Unload(mode); });
  }
}

void TerminalRuntime::EndSession() {
  // Every form is asked first; only when none refuses do they all unload.
  const std::vector<Form*> forms = Forms();
  for (Form* form : forms) {
    bool agreed = false;
    RunEventHandler([&] { agreed = form->QueryUnload(vbAppWindows); });
    if (!agreed) {
      Print("session end: refused");
      return;
    }
  }
  for (Form* form : forms) {
    if (form->IsLoaded()) RunEventHandler([&] { form->CompleteUnload(); });
  }
}

Form* TerminalRuntime::Dialog() const {
  for (Form* form : Forms())
    if (form != startup_ && form->Visible()) return form;
  return nullptr;
}

void TerminalRuntime::ClickLink(int number) {
  Form* dialog = Dialog();
  int seen = 0;
  for (Control* control : dialog->Controls) {
    if (control->Kind == ControlKind::LinkLabel && ++seen == number) return dialog->RaiseClick(*control);
  }
  Complain("the dialog has no link " + std::to_string(number));
}

void TerminalRuntime::ClickDialogButton(bool cancel) {
  Form* dialog = Dialog();
  Control* chosen = nullptr;
  for (Control* control : dialog->Controls) {
    if (control->Kind != ControlKind::CommandButton) continue;
    if (cancel ? control->Cancel : control->Default) chosen = control;
  }
  // Esc presses the Default button of a dialog that has no Cancel button.
  if (chosen == nullptr && cancel) return ClickDialogButton(false);
  if (chosen != nullptr) dialog->RaiseClick(*chosen);
}

// ---- Forms ---------------------------------------------------------------------------

void TerminalRuntime::CreateFormWindow(Form& form) {
  const uintptr_t window = nextHandle_;
  nextHandle_ += 0x10;
  form.AttachWindow(reinterpret_cast<HWND>(window), reinterpret_cast<HICON>(window + 4));
}

std::string TerminalRuntime::PanelOf(Form& form) const {
  // A framed panel with the dialog's texts, its links numbered.
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
      // Long texts wrap at word boundaries.
      std::string text = Printable(control->Caption), row;
      for (const std::string& word : Words(text)) {
        if (!row.empty() && row.size() + 1 + word.size() > 64) {
          lines.push_back(row);
          row.clear();
        }
        row += (row.empty() ? "" : " ") + word;
      }
      lines.push_back(row);
    }
  }
  lines.push_back("");
  lines.push_back("1, 2: open a link    Enter or Esc: close");
  // Columns on the screen: escape sequences take none, UTF-8 characters one.
  const auto columns = [](const std::string& l) {
    size_t visible = 0;
    for (size_t i = 0; i < l.size(); ++i) {
      if (l[i] == '\x1b') {
        while (i < l.size() && l[i] != 'm') ++i;
      } else if ((static_cast<unsigned char>(l[i]) & 0xC0) != 0x80) {
        ++visible;
      }
    }
    return visible;
  };
  size_t width = 0;
  for (const std::string& l : lines) width = std::max(width, columns(l));
  std::string panel = "+" + std::string(width + 2, '-') + "+\n";
  for (const std::string& l : lines) panel += "| " + l + std::string(width - columns(l), ' ') + " |\n";
  panel += "+" + std::string(width + 2, '-') + "+";
  return panel;
}

void TerminalRuntime::ShowForm(Form& form) {
  if (&form == startup_) return;  // the tray form is never shown
  const std::string prefix = LinePrefix(form);
  if (!shown_.insert(&form).second) return Print(prefix + "to the front");
  if (keys_) {
    ClearStatus();
    std::fprintf(out_, "%s\n", PanelOf(form).c_str());
    DrawStatus();
    return;
  }
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

void TerminalRuntime::DestroyFormWindow(Form& form) {
  if (shown_.erase(&form) != 0) Print(LinePrefix(form) + "closed");
}

// ---- Popup menu and message box -------------------------------------------------------

MenuItem* TerminalRuntime::ShowPopupMenu(Form&, MenuItem& menu, int32_t) {
  std::vector<MenuItem*> shown;
  for (MenuItem* item : menu.Items)
    if (item->Visible) shown.push_back(item);
  const auto selectable = [](const MenuItem* item) { return item->Enabled && !item->IsSeparator(); };
  const auto byAccessKey = [&](const std::string& key) -> MenuItem* {
    if (key.size() != 1) return nullptr;
    for (MenuItem* item : shown) {
      if (selectable(item) && item->AccessKey() != 0 && Lower(std::string(1, item->AccessKey())) == Lower(key))
        return item;
    }
    return nullptr;
  };

  // The text of an item with its access key marked.
  const auto describe = [&](const MenuItem* item, bool highlighted) {
    if (item->IsSeparator()) return std::string(keys_ ? "  ----------------" : "----");
    std::string text;
    bool marked = false;
    for (size_t i = 0; i < item->Caption.size(); ++i) {
      char c = item->Caption[i];
      if (c == '&' && i + 1 < item->Caption.size()) {
        c = item->Caption[++i];
        if (c != '&' && !marked) {
          marked = true;
          text += keys_ ? "\x1b[4m" + Printable(std::string(1, c)) + "\x1b[24m" : "[" + Printable(std::string(1, c)) + "]";
          continue;
        }
      }
      text += Printable(std::string(1, c));
    }
    if (!keys_) return item->Enabled ? text : text + " (disabled)";
    std::string line = (highlighted ? "> " : "  ") + text;
    if (!item->Enabled) line = "\x1b[2m" + line + "\x1b[22m";
    if (highlighted) line = "\x1b[7m" + line + "\x1b[27m";
    return line;
  };

  int highlight = -1;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (selectable(shown[i])) {
      highlight = static_cast<int>(i);
      break;
    }
  }
  const auto draw = [&](bool again) {
    if (again) std::fprintf(out_, "\x1b[%zuA", shown.size() + 1);
    std::fprintf(out_, "%s[menu] access key, arrows and Enter; Esc closes\n", kClearLine);
    for (size_t i = 0; i < shown.size(); ++i)
      std::fprintf(out_, "%s%s\n", kClearLine, describe(shown[i], static_cast<int>(i) == highlight).c_str());
    std::fflush(out_);
  };

  if (keys_) {
    ClearStatus();
    draw(false);
  } else {
    Print("menu: open");
    for (const MenuItem* item : shown) Print("menu: " + describe(item, false));
  }

  MenuItem* chosen = nullptr;
  bool done = false;
  while (!done) {
    Event event = NextEvent();
    switch (event.kind) {
      case Event::End:
        done = true;
        break;
      case Event::Signal:
        deferred_.push_back(event);  // the menu closes; the signal is handled after it
        done = true;
        break;
      case Event::Line: {
        const std::vector<std::string> words = Words(event.text);
        if (words.empty()) break;
        const std::string command = Lower(words[0]);
        if (command == "choose" && words.size() == 2) {
          chosen = byAccessKey(words[1]);
          if (chosen != nullptr) {
            done = true;
          } else {
            Complain("the menu has no enabled item with the access key " + Printable(words[1]));
          }
        } else if (command == "dismiss" && words.size() == 1) {
          done = true;
        } else if (IsAnyTimeCommand(event.text)) {
          deferred_.push_back(event);  // the menu closes, then the command runs
          done = true;
        } else {
          Complain("the menu is open: choose X or dismiss");
        }
        break;
      }
      case Event::Key: {
        const int count = static_cast<int>(shown.size());
        if (event.text == "\x1b") {
          done = true;
        } else if (event.text == "\n") {
          if (highlight >= 0) chosen = shown[static_cast<size_t>(highlight)];
          done = true;
        } else if ((event.text == "up" || event.text == "down") && highlight >= 0) {
          const int step = event.text == "up" ? count - 1 : 1;
          do {
            highlight = (highlight + step) % count;
          } while (!selectable(shown[static_cast<size_t>(highlight)]));
          draw(true);
        } else if ((chosen = byAccessKey(event.text)) != nullptr) {
          done = true;
        }
        break;
      }
    }
  }

  if (keys_) {
    std::fprintf(out_, "\x1b[%zuA\x1b[J", shown.size() + 1);  // the menu disappears
    DrawStatus();
  } else {
    Print(chosen != nullptr ? "menu: chosen " + Printable(chosen->Text()) : std::string("menu: dismissed"));
  }
  return chosen;
}

int32_t TerminalRuntime::MsgBox(const std::string& Prompt, int32_t Buttons, const std::string& Title) {
  const MsgBoxChoices choices = ChoicesOf(Buttons);
  std::string names;
  for (const auto& [name, result] : choices.answers) names += (names.empty() ? "" : "/") + name;
  const size_t defaultButton = std::min<size_t>(static_cast<size_t>((Buttons >> 8) & 3), choices.answers.size() - 1);

  if (keys_) {
    ClearStatus();
    std::string text = Prompt;
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.replace(at, 2, 1, '\n');
    std::fprintf(out_, "[%s]\n", Printable(Title).c_str());
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) std::fprintf(out_, "  %s\n", Printable(line).c_str());
    std::string keys;
    for (size_t i = 0; i < choices.answers.size(); ++i) {
      const std::string& name = choices.answers[i].first;
      keys += (i ? "  " : "") + std::string("[") + static_cast<char>(name[0] - 'a' + 'A') + "]" + name.substr(1);
      if (i == defaultButton) keys += " (Enter)";
    }
    std::fprintf(out_, "  %s ", keys.c_str());
    std::fflush(out_);
  } else {
    Print("message box: " + Printable(Title) + ": " + Printable(Prompt) + " [" + names + "]");
  }

  std::optional<int32_t> answer;
  while (!answer) {
    Event event = NextEvent();
    switch (event.kind) {
      case Event::End:
        answer = choices.fallback;
        break;
      case Event::Signal:
        deferred_.push_back(event);
        if (event.signal != SIGHUP) answer = choices.fallback;  // closing: nothing is chosen
        break;
      case Event::Line: {
        const std::vector<std::string> words = Words(event.text);
        if (words.empty()) break;
        const std::string word = Lower(words[0]);
        for (const auto& [name, result] : choices.answers)
          if (words.size() == 1 && word == name) answer = result;
        if (answer) break;
        if (IsAnyTimeCommand(event.text)) {
          deferred_.push_back(event);
          Complain("\"" + word + "\" waits until the message box is answered");
        } else {
          Complain("a message box is open: answer " + names);
        }
        break;
      }
      case Event::Key: {
        if (event.text == "\n") {
          answer = choices.answers[defaultButton].second;
          break;
        }
        for (const auto& [name, result] : choices.answers)
          if (Lower(event.text) == std::string(1, name[0])) answer = result;
        if (!answer && event.text == "\x1b") {
          for (const auto& [name, result] : choices.answers)
            if (name == "cancel" || (choices.answers.size() == 1 && name == "ok")) answer = result;
        }
        break;
      }
    }
  }
  if (keys_) {
    std::fprintf(out_, "\n");
    DrawStatus();
  }
  return *answer;
}

// ---- Process, files, shell ------------------------------------------------------------

bool TerminalRuntime::Launch(const std::string& ProgramPath, const std::string& CommandLine) {
  const DWORD error = emu::Launch(ProgramPath, CommandLine);
  Print((error == 0 ? "launch: " : "launch failed: ") + Printable(CommandLine));
  return error == 0;
}

bool TerminalRuntime::FileExists(const std::string& Path) { return emu::NormalFileExists(Path); }

std::string TerminalRuntime::AppPath() { return emu::ProgramFolder(); }

BOOL TerminalRuntime::Shell_NotifyIconA(DWORD dwMessage, PNOTIFYICONDATAA lpData) {
  if (lpData == nullptr) return FALSE;
  // szTip holds 64 characters and need not end with a zero.
  std::string tip(lpData->szTip, ::strnlen(lpData->szTip, sizeof lpData->szTip));
  tip.erase(tip.find_last_not_of(' ') + 1);
  // On a terminal the status line shows the icon; for scripts, a line.
  const auto changed = [&](const std::string& line) {
    if (keys_) {
      DrawStatus();
    } else {
      Print(line);
    }
  };
  switch (dwMessage) {
    case NIM_ADD:
      iconShown_ = true;
      tip_ = tip;
      changed("icon: " + Printable(tip_));
      return TRUE;
    case NIM_MODIFY:
      if (!iconShown_) return FALSE;
      if (tip != tip_) {
        tip_ = tip;
        changed("tooltip: " + Printable(tip_));
      }
      return TRUE;
    case NIM_DELETE:
      if (!iconShown_) return FALSE;
      iconShown_ = false;
      changed("icon: removed");
      return TRUE;
    default:
      return FALSE;
  }
}

HINSTANCE TerminalRuntime::ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile,
                                         LPCSTR lpParameters, LPCSTR lpDirectory, INT nShowCmd) {
  Print("open: " + Printable(lpFile != nullptr ? lpFile : ""));
  return ::ShellExecuteA(hwnd, lpOperation, lpFile, lpParameters, lpDirectory, nShowCmd);
}

UINT TerminalRuntime::GetWindowsDirectoryA(LPSTR lpBuffer, UINT uSize) {
  return ::GetWindowsDirectoryA(lpBuffer, uSize);
}

// ---- Output ---------------------------------------------------------------------------

void TerminalRuntime::ShowMousePointer(int16_t) {
  if (keys_) DrawStatus();
}

void TerminalRuntime::Print(const std::string& line) {
  ClearStatus();
  std::fprintf(out_, "%s\n", line.c_str());
  DrawStatus();
  std::fflush(out_);
}

void TerminalRuntime::Complain(const std::string& line) {
  ClearStatus();
  std::fprintf(err_, "vtrsystray: %s\n", line.c_str());
  std::fflush(err_);
  DrawStatus();
}

void TerminalRuntime::DrawStatus() {
  if (!keys_ || ended_) return;
  std::string status = iconShown_ ? "\x1b[7m [icon] " + Printable(tip_) + " \x1b[27m" : std::string("[no icon]");
  if (MousePointer() == vbHourglass) status += " (busy)";
  status += "  m:move d:double-click r:right-click a:about q:close e:end session";
  std::fprintf(out_, "%s%s", kClearLine, status.c_str());
  std::fflush(out_);
  statusShown_ = true;
}

void TerminalRuntime::ClearStatus() {
  if (!statusShown_) return;
  std::fprintf(out_, "%s", kClearLine);
  statusShown_ = false;
}
