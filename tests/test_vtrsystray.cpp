// The native program vtrsystray, driven through its line commands as a
// script would drive it, against this test's own registry store and drive
// C:, with a stand-in main program that records how it was started; and
// its parts on their own: the key decoder, the popup menu's choices and the
// two presenters.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/modAPI.h"
#include "platform/terminal/KeyDecoder.h"
#include "platform/terminal/LinePresenter.h"
#include "registry/modSettings.h"
#include "tests/LaunchLog.h"
#include "tests/RegistryTestSupport.h"
#include "vtr_version.h"

extern char** environ;
namespace fs = std::filesystem;
using Args = std::vector<std::string>;

namespace {

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vtr.exe";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kVtr[] = "C:\\Program Files\\Vantorel\\Vtr.exe";

// One running vtrsystray with pipes on its three standard streams.
class TrayProcess {
 public:
  // terminal: a pseudo-terminal's device for standard input (keys), or
  // empty for a pipe (line commands).
  explicit TrayProcess(const std::string& terminal = "") {
    int in[2], out[2], err[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0 || ::pipe(err) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (terminal.empty()) {
      posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    } else {
      posix_spawn_file_actions_addopen(&actions, 0, terminal.c_str(), O_RDWR | O_NOCTTY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    char* argv[] = {const_cast<char*>(VTR_SYSTRAY), nullptr};
    if (::posix_spawn(&pid_, VTR_SYSTRAY, &actions, nullptr, argv, environ) != 0)
      throw std::runtime_error("cannot start vtrsystray");
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    in_ = in[1];
    out_ = out[0];
    err_ = err[0];
    ::fcntl(out_, F_SETFL, O_NONBLOCK);
    ::fcntl(err_, F_SETFL, O_NONBLOCK);
  }
  ~TrayProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {in_, out_, err_})
      if (fd >= 0) ::close(fd);
  }

  void Send(const std::string& line) {
    const std::string text = line + "\n";
    ASSERT_EQ(::write(in_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void EndInput() {
    ::close(in_);
    in_ = -1;
  }
  void Signal(int signal) { ::kill(pid_, signal); }

  // Reads output until it holds `text` anywhere, the unfinished line too.
  bool WaitForText(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (true) {
      for (const std::string& line : lines_)
        if (line.find(text) != std::string::npos) return true;
      if (partial_.find(text) != std::string::npos) return true;
      if (!ReadSome(deadline)) return false;
    }
  }
  // Reads output until a line that starts with `prefix`; returns it, and
  // keeps every line read in Output().
  std::string WaitFor(const std::string& prefix) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (true) {
      while (next_ < lines_.size()) {
        const std::string& line = lines_[next_++];
        if (line.rfind(prefix, 0) == 0) return line;
      }
      if (!ReadSome(deadline)) return "<no line starting with \"" + prefix + "\">";
    }
  }
  // Waits for the program to end; returns its exit status (-1 on a timeout).
  int Wait() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ReadSome(deadline)) {
    }
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
  }
  const std::vector<std::string>& Output() const { return lines_; }
  const std::string& Errors() const { return errors_; }

 private:
  // Reads what is there (waiting up to the deadline); false when stdout ended
  // or the deadline passed.
  bool ReadSome(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (::poll(fds, 2, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    if (fds[1].revents & POLLIN) {
      const ssize_t got = ::read(err_, buffer, sizeof buffer);
      if (got > 0) errors_.append(buffer, static_cast<size_t>(got));
    }
    if (fds[0].revents & (POLLIN | POLLHUP)) {
      const ssize_t got = ::read(out_, buffer, sizeof buffer);
      if (got <= 0) return false;
      partial_.append(buffer, static_cast<size_t>(got));
      for (size_t nl; (nl = partial_.find('\n')) != std::string::npos;) {
        lines_.push_back(partial_.substr(0, nl));
        partial_.erase(0, nl + 1);
      }
    }
    return true;
  }

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1, err_ = -1;
  std::string partial_, errors_;
  std::vector<std::string> lines_;
  size_t next_ = 0;
};

class VtrSysTrayProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("vtr-systray-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    driveC_ = root_ / "drive_c";
    fs::create_directories(driveC_ / "Program Files/Vantorel");
    fs::create_directories(root_ / "bin");
    log_ = (root_ / "launches.log").string();
    env_.Set("VTR_DRIVE_C", driveC_.string());
    env_.Set("VTR_ARGV_LOG", log_);
    env_.Set("PATH", (root_ / "bin").string() + ":/usr/bin:/bin");
    // The stand-in main program and desktop opener.
    InstallRecorder(VTR_ARGV_RECORDER, driveC_ / "Program Files/Vantorel/Vtr.exe");
    InstallRecorder(VTR_ARGV_RECORDER, root_ / "bin/xdg-open");

    DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Vantorel");
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kAppPaths);
  }
  void TearDown() override {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Vantorel");
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kAppPaths);
    fs::remove_all(root_);
  }
  // A text value below HKEY_LOCAL_MACHINE, the key made as needed.
  static void SetString(const std::string& subKey, const char* name, const std::string& text) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
  }
  static void RegisterMainProgram(const std::string& path) { SetString(kAppPaths, "", path); }
  static bool RunEntryExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    const bool found = RegQueryValueExA(key, "VtrSysTray", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
  }
  static void Recent(const Args& files) {
    SaveRegSetting("Vantorel", "Recent", "MaxFile", "5");
    for (size_t i = 0; i < files.size(); ++i)
      SaveRegSetting("Vantorel", "Recent", "File" + std::to_string(i + 1), files[i]);
  }
  static std::string Option(const std::string& key) { return GetRegSetting("Vantorel", "Options", key, "<missing>"); }

  fs::path root_, driveC_;
  std::string log_;
  ScopedEnvironment env_;
};

TEST_F(VtrSysTrayProgram, ADayWithTheMenuTheIconAndTheAboutBox) {
  RegisterMainProgram(kVtr);
  SetString(kRunKey, "VtrSysTray", "C:\\Tools\\VtrSysTray.exe");
  SaveRegSetting("Vantorel", "Options", "LastFileApplied", "C:\\Docs\\Plan.txt");
  Recent({"C:\\Docs\\Plan.txt", "D:\\Data\\Net 2.txt", "E:\\no backslash at all\\"});

  TrayProcess tray;
  EXPECT_EQ(tray.WaitFor("icon:"), "icon: Last file applied: C:\\Docs\\Plan.txt");
  EXPECT_EQ(Option("TrayIconActive"), "1");

  tray.Send("rclick");
  tray.WaitFor("menu: open");
  tray.Send("choose 2");
  EXPECT_EQ(tray.WaitFor("menu: chosen"), "menu: chosen 2. Net 2.txt");
  const Args menu = [&] {
    Args items;
    for (const std::string& line : tray.Output())
      if (line.rfind("menu: ", 0) == 0 && line != "menu: open" && line.rfind("menu: chosen", 0) != 0) items.push_back(line.substr(6));
    return items;
  }();
  EXPECT_EQ(menu, (Args{"[O]pen Vantorel...", "----", "[C]lose", "Close and [D]isable", "----",
                        "[A]bout Vantorel", "----", "[1]. Plan.txt", "[2]. Net 2.txt", "[3]. "}));
  EXPECT_EQ(tray.WaitFor("launch"), std::string("launch: ") + kVtr + " \"D:\\Data\\Net 2.txt\"");

  tray.Send("dblclick");
  EXPECT_EQ(tray.WaitFor("launch"), std::string("launch: ") + kVtr);

  // The tooltip follows the setting at the next movement over the icon.
  SaveRegSetting("Vantorel", "Options", "LastFileApplied", "C:\\Docs\\Budget.txt");
  tray.Send("move");
  EXPECT_EQ(tray.WaitFor("tooltip:"), "tooltip: Last file applied: C:\\Docs\\Budget.txt");

  tray.Send("about");
  EXPECT_EQ(tray.WaitFor("about: open"), "about: open \"About Vantorel\"");
  EXPECT_EQ(tray.WaitFor("about: Version"), "about: Version " VTR_VERSION_TEXT " - BETA RELEASE 3");
  const std::string link1 = tray.WaitFor("about: link 1: ");
  tray.Send("link 1");
  EXPECT_EQ(tray.WaitFor("open: "), "open: " + link1.substr(15));
  tray.Send("ok");
  EXPECT_EQ(tray.WaitFor("about: closed"), "about: closed");

  tray.Send("rclick");
  tray.Send("choose d");
  EXPECT_EQ(tray.WaitFor("icon: removed"), "icon: removed");
  EXPECT_EQ(tray.Wait(), 0);
  EXPECT_EQ(tray.Errors(), "");

  EXPECT_EQ(Option("TrayIconActive"), "0");
  EXPECT_EQ(Option("TrayIcon"), "0");
  EXPECT_FALSE(RunEntryExists());
  // The started programs run on their own: their records come in any order.
  const auto launches = WaitForLaunches(log_, 3);
  ASSERT_EQ(launches.size(), 3u);
  std::vector<Args> vantorel, opened;
  for (const LaunchRecord& r : launches) {
    if (r.program == (driveC_ / "Program Files/Vantorel/Vtr.exe").string()) vantorel.push_back(r.args);
    if (r.program == (root_ / "bin/xdg-open").string()) opened.push_back(r.args);
  }
  std::sort(vantorel.begin(), vantorel.end());
  EXPECT_EQ(vantorel, (std::vector<Args>{Args{}, Args{"D:\\Data\\Net 2.txt"}}));
  EXPECT_EQ(opened, std::vector<Args>{Args{link1.substr(15)}});
}

TEST_F(VtrSysTrayProgram, ARecentFileReachesTheProgramAsItsOneNameAndStartsNothingElse) {
  RegisterMainProgram(kVtr);
  fs::remove("/tmp/owned");
  Recent({"x\"; touch /tmp/owned; \".txt", "$(touch /tmp/owned).txt", "`touch /tmp/owned`.txt", "C:\\dir\\"});

  TrayProcess tray;
  tray.Send("rclick");
  tray.Send("choose 1");
  // A name with a quote is no file name: nothing starts, and the message says why.
  EXPECT_EQ(tray.WaitFor("message box:"),
            std::string("message box: VtrSysTray: The program \"") + kVtr +
                "\" could not be started.\\r\\nThe recent file's name holds a double quote, which no file name can hold. [ok]");
  tray.Send("ok");
  for (const char* item : {"2", "3", "4"}) {
    tray.Send("rclick");
    tray.Send(std::string("choose ") + item);
    tray.WaitFor("launch");
  }
  tray.EndInput();
  EXPECT_EQ(tray.Wait(), 0);

  const auto launches = WaitForLaunches(log_, 3);
  ASSERT_EQ(launches.size(), 3u);
  std::vector<Args> received;
  for (const LaunchRecord& r : launches) received.push_back(r.args);
  std::sort(received.begin(), received.end());
  EXPECT_EQ(received, (std::vector<Args>{Args{"$(touch /tmp/owned).txt"}, Args{"C:\\dir\\"},
                                         Args{"`touch /tmp/owned`.txt"}}));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(ReadLaunchLog(log_).size(), 3u);
  EXPECT_FALSE(fs::exists("/tmp/owned"));
}

// ---- Keys on a terminal ------------------------------------------------------------

TEST(TerminalKeys, EachEscapeSequenceIsTakenWholeAndOnlyTheCursorKeysMeanSomething) {
  struct Case {
    std::string input;
    bool more;
    std::string key;
    size_t used;
  } cases[] = {
      {"d", false, "d", 1},
      {"\r", false, "\n", 1},
      {"\x1b[A", false, "up", 3},
      {"\x1bOB", false, "down", 3},
      {"\x1b[1;2D", false, "", 6},   // Shift+Left
      {"\x1bOD", false, "", 3},      // Left in application cursor mode
      {"\x1b[1;5A", false, "", 6},   // Ctrl+Up is no plain Up
      {"\x1b[15~d", false, "", 5},   // F5, then a key of its own
      {"\x1b[200~", false, "", 6},   // bracketed paste begins
      {"\x1b]0;title\x07d", false, "", 10},
      {"\x1b]0;t\x1b\\d", false, "", 7},
      {"\x1b(B", false, "", 3},
      {"\x1b" "d", false, "", 2},       // Alt+d is no double-click
      {"\x1b", false, "\x1b", 1},   // Esc alone
      {"\x1b\x1b[A", false, "\x1b", 1},
      {"\x1b[1;2\x1b[A", false, "", 5},  // broken off: the next sequence stands
      // Unfinished: wait for the rest, or drop it whole when none comes.
      {"\x1b", true, "", 0},
      {"\x1b[1;2", true, "", 0},
      {"\x1bO", true, "", 0},
      {"\x1b[1;2", false, "", 5},
      {"\x1bO", false, "", 2},
      {"\x1b[" + std::string(300, '1'), true, "", 300 + 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.input));
    const terminal::KeyToken token = terminal::ReadKey(c.input, c.more);
    EXPECT_EQ(token.key, c.key);
    EXPECT_EQ(token.used, c.used);
  }
}

TEST_F(VtrSysTrayProgram, ShiftLeftAndApplicationModeLeftOnATerminalStartNothing) {
  RegisterMainProgram(kVtr);
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string device = ::ptsname(master);
  const auto type = [&](const std::string& keys) {
    ASSERT_EQ(::write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(120));  // each arrives on its own
  };
  {
    TrayProcess tray(device);
    ASSERT_TRUE(tray.WaitForText("[icon]"));
    for (const char* keys : {"\x1b[1;2D", "\x1bOD", "\x1b[1;5D", "\x1b[1;2"}) type(keys);
    type("d");  // the one double-click
    EXPECT_TRUE(tray.WaitForText("launch: "));
    type("q");
    EXPECT_EQ(tray.Wait(), 0);
    size_t launched = 0;
    for (const std::string& line : tray.Output())
      if (line.find("launch") != std::string::npos) ++launched;
    EXPECT_EQ(launched, 1u);
  }
  ::close(master);
  EXPECT_EQ(WaitForLaunches(log_, 1).size(), 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(ReadLaunchLog(log_).size(), 1u);
}

// ---- Signals and the end of a session ---------------------------------------------------

TEST_F(VtrSysTrayProgram, EachSignalAndEndsessionUnloadWithTheirOwnReason) {
  RegisterMainProgram(kVtr);
  SaveRegSetting("Vantorel", "Options", "AutoShutdown", "1");
  const std::string question =
      "message box: Vantorel: Vantorel has been set to run at ShutDown/Logoff.\\r\\n\\r\\n"
      "Would you like to run Vantorel now? [yes/no]";
  const auto asked = [](const TrayProcess& tray) {
    return std::count_if(tray.Output().begin(), tray.Output().end(),
                         [](const std::string& line) { return line.rfind("message box:", 0) == 0; });
  };

  {  // SIGHUP: the session ends (reason 2): the question, and Yes refuses the end.
    TrayProcess tray;
    tray.WaitFor("icon:");
    tray.Signal(SIGHUP);
    EXPECT_EQ(tray.WaitFor("message box:"), question);
    tray.Send("yes");
    EXPECT_EQ(tray.WaitFor("launch"), std::string("launch: ") + kVtr);
    EXPECT_EQ(tray.WaitFor("session end:"), "session end: refused");
    // SIGTERM: the task manager (reason 3): no question.
    tray.Signal(SIGTERM);
    EXPECT_EQ(tray.WaitFor("icon:"), "icon: removed");
    EXPECT_EQ(tray.Wait(), 0);
    EXPECT_EQ(asked(tray), 1);
  }
  {  // SIGINT: as the control menu closes it (reason 0): no question.
    TrayProcess tray;
    tray.WaitFor("icon:");
    tray.Signal(SIGINT);
    EXPECT_EQ(tray.WaitFor("icon:"), "icon: removed");
    EXPECT_EQ(tray.Wait(), 0);
    EXPECT_EQ(asked(tray), 0);
  }
  {  // endsession: as SIGHUP; No lets the session end.
    TrayProcess tray;
    tray.WaitFor("icon:");
    tray.Send("endsession");
    EXPECT_EQ(tray.WaitFor("message box:"), question);
    tray.Send("no");
    EXPECT_EQ(tray.WaitFor("icon:"), "icon: removed");
    EXPECT_EQ(tray.Wait(), 0);
  }
  EXPECT_EQ(WaitForLaunches(log_, 1).size(), 1u);
  EXPECT_EQ(Option("TrayIconActive"), "0");
}

// ---- The popup's choices and the presenters, without the program -------------------------

using terminal::Command;

// What a presenter prints and complains of, caught in memory.
class Captured {
 public:
  Captured() : out_(::open_memstream(&outText_, &outSize_)), err_(::open_memstream(&errText_, &errSize_)) {}
  ~Captured() {
    std::fclose(out_);
    std::fclose(err_);
    std::free(outText_);
    std::free(errText_);
  }
  std::FILE* Out() const { return out_; }
  std::FILE* Err() const { return err_; }
  std::string Output() {
    std::fflush(out_);
    return std::string(outText_, outSize_);
  }
  std::string Errors() {
    std::fflush(err_);
    return std::string(errText_, errSize_);
  }

 private:
  char* outText_ = nullptr;
  char* errText_ = nullptr;
  size_t outSize_ = 0, errSize_ = 0;
  std::FILE* out_;
  std::FILE* err_;
};

// A popup like the tray's: a separator, a disabled item and a hidden one among them.
struct SampleMenu {
  MenuItem root{"mnuPopup", "Popup"};
  MenuItem open{"mnuOpen", "&Open Vantorel..."};
  MenuItem line{"mnuSep", "-"};
  MenuItem hidden{"mnuHidden", "&Hidden", false};
  MenuItem disabled{"mnuClose", "&Close", true, false};
  MenuItem about{"mnuAbout", "R&&D && &About"};
  SampleMenu() { root.Items = {&open, &line, &hidden, &disabled, &about}; }
};

TEST(TerminalPopupMenu, TheArrowsAndAccessKeysReachOnlyWhatCanBeChosen) {
  SampleMenu sample;
  terminal::PopupMenu menu(sample.root);
  ASSERT_EQ(menu.Items().size(), 4u);  // the hidden item is not shown
  EXPECT_EQ(menu.Highlighted(), &sample.open);
  menu.MoveHighlight(1);
  EXPECT_EQ(menu.Highlighted(), &sample.about);  // past the separator and the disabled item
  menu.MoveHighlight(1);
  EXPECT_EQ(menu.Highlighted(), &sample.open);  // round the end
  menu.MoveHighlight(-1);
  EXPECT_EQ(menu.Highlighted(), &sample.about);

  EXPECT_EQ(menu.ByAccessKey("o"), &sample.open);
  EXPECT_EQ(menu.ByAccessKey("A"), &sample.about);
  EXPECT_EQ(menu.ByAccessKey("c"), nullptr);   // disabled
  EXPECT_EQ(menu.ByAccessKey("h"), nullptr);   // hidden
  EXPECT_EQ(menu.ByAccessKey("ab"), nullptr);  // one key only

  MenuItem nothing{"mnuNothing", "Nothing"};
  nothing.Items = {&sample.line, &sample.disabled};
  terminal::PopupMenu empty(nothing);
  EXPECT_EQ(empty.Highlight(), -1);
  empty.MoveHighlight(1);
  EXPECT_EQ(empty.Highlighted(), nullptr);
}

TEST(TerminalLinePresenter, CommandsAskOnlyForWhatCanBeDoneNowAndSayWhyNot) {
  Captured captured;
  terminal::TrayStatus status;
  terminal::LinePresenter lines(status, captured.Out(), captured.Err());
  const terminal::Situation idle{true, false}, dialog{true, true}, gone{false, false};
  const auto asks = [&](const std::string& line, const terminal::Situation& now) {
    const Command command = lines.Interpret(line, now);
    return std::make_pair(command.kind, command.number);
  };
  using Asked = std::pair<Command::Kind, long>;
  EXPECT_EQ(asks("MOVE", idle), (Asked{Command::MouseCode, WM_MOUSEMOVE}));
  EXPECT_EQ(asks("  rclick ", idle), (Asked{Command::MouseCode, WM_RBUTTONUP}));
  EXPECT_EQ(asks("code 0x00000000205", idle), (Asked{Command::MouseCode, 0x205}));
  EXPECT_EQ(asks("code 2147483647", idle), (Asked{Command::MouseCode, 0x7fffffffL}));
  EXPECT_EQ(asks("endsession", gone), (Asked{Command::EndSession, 0}));
  EXPECT_EQ(asks("link 2", dialog), (Asked{Command::Link, 2}));
  EXPECT_EQ(asks("ok", dialog), (Asked{Command::DialogOk, 0}));
  EXPECT_EQ(captured.Errors(), "");

  const std::pair<const char*, terminal::Situation> refused[] = {
      {"code 0x80000000", idle}, {"code -1", idle}, {"code 0x", idle}, {"code 1e3", idle},
      {"move now", idle},        {"close", gone},   {"link 1", idle},  {"link 3", dialog},
      {"ok", idle},              {"choose a", idle}, {"yes", idle},    {"frob\x1b", idle}};
  for (const auto& [line, now] : refused) EXPECT_EQ(asks(line, now), (Asked{Command::None, 0})) << line;
  EXPECT_EQ(captured.Errors(),
            "vtrsystray: usage: code N (a number, decimal or 0x hex)\n"
            "vtrsystray: usage: code N (a number, decimal or 0x hex)\n"
            "vtrsystray: usage: code N (a number, decimal or 0x hex)\n"
            "vtrsystray: usage: code N (a number, decimal or 0x hex)\n"
            "vtrsystray: \"move\" takes no argument\n"
            "vtrsystray: the tray icon is gone\n"
            "vtrsystray: no dialog is open\n"
            "vtrsystray: usage: link 1 | link 2\n"
            "vtrsystray: no dialog or message box is open\n"
            "vtrsystray: no menu is open\n"
            "vtrsystray: no message box is open\n"
            "vtrsystray: unknown command: frob\\x1B\n");
  EXPECT_EQ(captured.Output(), "");
}

}  // namespace
