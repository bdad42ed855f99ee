// The native program vtrsystray as a whole, driven through its standard
// input (line commands from a script, keys from a terminal) and signals,
// against this test's own registry store and drive C:, with a stand-in main
// program and desktop opener that record how they were started. Its parts
// on their own: test_terminal.cpp.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/modAPI.h"
#include "registry/modSettings.h"
#include "tests/LaunchLog.h"
#include "tests/RawRegistry.h"
#include "tests/RegistryTestSupport.h"
#include "vtr_version.h"

extern char** environ;
namespace fs = std::filesystem;

namespace {

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vtr.exe";
const char kVtr[] = "C:\\Program Files\\Vantorel\\Vtr.exe";

// One running vtrsystray: standard input a pipe (lines) or a terminal's
// device (keys); standard output and error come back as one text.
class TrayProcess {
 public:
  explicit TrayProcess(const std::string& terminal = "") {
    int in[2], out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    terminal.empty() ? posix_spawn_file_actions_adddup2(&actions, in[0], 0)
                     : posix_spawn_file_actions_addopen(&actions, 0, terminal.c_str(), O_RDWR | O_NOCTTY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
    char* argv[] = {const_cast<char*>(VTR_SYSTRAY), nullptr};
    if (::posix_spawn(&pid_, VTR_SYSTRAY, &actions, nullptr, argv, environ) != 0)
      throw std::runtime_error("cannot start vtrsystray");
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    in_ = in[1];
    out_ = out[0];
  }
  ~TrayProcess() {
    if (pid_ > 0 && ::kill(pid_, SIGKILL) == 0) ::waitpid(pid_, nullptr, 0);
    for (int fd : {in_, out_})
      if (fd >= 0) ::close(fd);
  }

  void Send(const std::string& text) {
    ASSERT_EQ(::write(in_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  }
  void Signal(int signal) { ::kill(pid_, signal); }
  void CloseInput() { ::close(std::exchange(in_, -1)); }

  // Reads output until it holds `text` beyond what earlier waits found;
  // returns the rest of its line from `text` on.
  std::string WaitFor(const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    size_t at;
    while ((at = output_.find(text, seen_)) == std::string::npos)
      if (!ReadSome(deadline)) return "<no \"" + text + "\">";
    seen_ = std::min(output_.find('\n', at), output_.size());
    return output_.substr(at, seen_ - at);
  }
  // Waits for the program to end; returns its exit status (-1 on a timeout).
  int Wait() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (ReadSome(deadline)) {
    }
    int status = 0;
    if (std::chrono::steady_clock::now() >= deadline || ::waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string& Output() const { return output_; }

 private:
  // Reads what comes before the deadline; false at the end of output or the deadline.
  bool ReadSome(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd fd{out_, POLLIN, 0};
    if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) return false;
    char buffer[4096];
    const ssize_t got = ::read(out_, buffer, sizeof buffer);
    if (got <= 0) return false;
    output_.append(buffer, static_cast<size_t>(got));
    return true;
  }

  pid_t pid_ = -1;
  int in_ = -1, out_ = -1;
  std::string output_;
  size_t seen_ = 0;
};

class VtrSysTrayProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    TearDown();
    for (const char* program : {"drive_c/Program Files/Vantorel/Vtr.exe", "bin/xdg-open"})
      InstallRecorder(VTR_ARGV_RECORDER, scratch_.root / program);
    rawreg::SetString(HKEY_LOCAL_MACHINE, kAppPaths, "", kVtr);
  }
  void TearDown() override {
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, "Software\\Vantorel");
    DeleteRegistryTree(HKEY_LOCAL_MACHINE, kAppPaths);
  }
  // The programs started so far, each as its path and arguments, in order of their paths.
  std::vector<Args> Started(size_t count) {
    std::vector<Args> started = LaunchRecords(scratch_.log, count);
    for (Args& start : started) start[0] = fs::path(start[0]).filename().string();
    std::sort(started.begin(), started.end());
    return started;
  }

  ScratchDrive scratch_;
};

TEST_F(VtrSysTrayProgram, ADayWithTheMenuTheIconAndTheAboutBox) {
  SaveRegSetting("Vantorel", "Options", "LastFileApplied", "C:\\Docs\\Plan.txt");
  // A name that a shell would run parts of reaches the program as it stands.
  const std::string hostile = "D:\\Data\\Net $(touch /tmp/vtr-owned) `touch /tmp/vtr-owned`.txt";
  fs::remove("/tmp/vtr-owned");
  SaveRegSetting("Vantorel", "Recent", "MaxFile", "5");
  for (const auto& [key, file] : {std::pair{"File1", "C:\\Docs\\Plan.txt"}, std::pair{"File2", hostile.c_str()},
                                  std::pair{"File3", "E:\\no backslash at all\\"}})
    SaveRegSetting("Vantorel", "Recent", key, file);

  TrayProcess tray;
  EXPECT_EQ(tray.WaitFor("icon:"), "icon: Last file applied: C:\\Docs\\Plan.txt");
  tray.Send("rclick\nchoose 2\n");
  // The menu's lines themselves: test_terminal.cpp; its items: test_frmSysTray.cpp.
  EXPECT_EQ(tray.WaitFor("menu: chosen"), "menu: chosen 2. " + hostile.substr(8));
  EXPECT_EQ(tray.WaitFor("launch"), std::string("launch: ") + kVtr + " \"" + hostile + "\"");

  // The tooltip follows the setting at the next movement over the icon.
  SaveRegSetting("Vantorel", "Options", "LastFileApplied", "C:\\Docs\\Budget.txt");
  tray.Send("move\n");
  EXPECT_EQ(tray.WaitFor("tooltip:"), "tooltip: Last file applied: C:\\Docs\\Budget.txt");

  tray.Send("about\n");
  EXPECT_EQ(tray.WaitFor("about: open"), "about: open \"About Vantorel\"");
  EXPECT_EQ(tray.WaitFor("about: Version"), "about: Version " VTR_VERSION_TEXT " - BETA RELEASE 3");
  const std::string link1 = tray.WaitFor("about: link 1: ").substr(15);
  tray.Send("link 1\n");
  EXPECT_EQ(tray.WaitFor("open: "), "open: " + link1);
  tray.Send("ok\n");
  EXPECT_EQ(tray.WaitFor("about: closed"), "about: closed");
  EXPECT_NE(tray.Output().find("\nabout: open"), std::string::npos);  // each of its lines begins so

  tray.Send("rclick\nchoose d\n");
  EXPECT_EQ(tray.WaitFor("icon: removed"), "icon: removed");
  EXPECT_EQ(tray.Wait(), 0);
  EXPECT_EQ(tray.Output().find("vtrsystray:"), std::string::npos) << tray.Output();
  EXPECT_EQ(GetRegSetting("Vantorel", "Options", "TrayIcon", ""), "0");  // the form's own effects: test_frmSysTray.cpp
  // The started programs run on their own: their records come in any order.
  EXPECT_EQ(Started(2), (std::vector<Args>{{"Vtr.exe", hostile}, {"xdg-open", link1}}));
  EXPECT_FALSE(fs::exists("/tmp/vtr-owned"));
}

TEST_F(VtrSysTrayProgram, OnATerminalOnlyThePlainKeysDoSomething) {
  SaveRegSetting("Vantorel", "Options", "AutoShutdown", "1");
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
  {
    TrayProcess tray(::ptsname(master));
    ASSERT_EQ(tray.WaitFor("[icon]").substr(0, 6), "[icon]");
    // Shift+Left, Left in application mode, Ctrl+Left, one broken off; then the one double-click,
    // and the session's end that Yes to its question refuses.
    for (const std::string keys : {"\x1b[1;2D", "\x1bOD", "\x1b[1;5D", "\x1b[1;2", "d", "e"}) {
      ASSERT_EQ(::write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
      std::this_thread::sleep_for(std::chrono::milliseconds(120));  // each arrives on its own
    }
    EXPECT_EQ(tray.WaitFor("launch: "), std::string("launch: ") + kVtr);
    EXPECT_EQ(tray.WaitFor("[Y]es"), "[Y]es (Enter)  [N]o ");  // the keys are shown before an answer is awaited
    ASSERT_EQ(::write(master, "y", 1), 1);
    EXPECT_EQ(tray.WaitFor("session end:"), "session end: refused");
    // The question's line ends where it was answered, and the status line comes back below it.
    EXPECT_NE(tray.Output().find("[Y]es (Enter)  [N]o \n\r\x1b[K\x1b[7m [icon]"), std::string::npos) << tray.Output();
    ASSERT_EQ(::write(master, "q", 1), 1);
    EXPECT_EQ(tray.Wait(), 0);
    EXPECT_EQ(tray.WaitFor("launch"), "<no \"launch\">");
  }
  ::close(master);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Started(2), (std::vector<Args>{{"Vtr.exe"}, {"Vtr.exe"}}));
}

TEST_F(VtrSysTrayProgram, EachSignalUnloadsWithItsOwnReason) {
  SaveRegSetting("Vantorel", "Options", "AutoShutdown", "1");
  const std::string question =
      "message box: Vantorel: Vantorel has been set to run at ShutDown/Logoff.\\r\\n\\r\\n"
      "Would you like to run Vantorel now? [yes/no]";
  {  // SIGHUP: the session ends (reason 2): the question, and No lets it end (Yes, which
     // refuses the end, on a terminal above).
    TrayProcess tray;
    tray.WaitFor("icon:");
    tray.Signal(SIGHUP);
    EXPECT_EQ(tray.WaitFor("message box:"), question);
    tray.Send("no\n");
    EXPECT_EQ(tray.WaitFor("icon:"), "icon: removed");
    EXPECT_EQ(tray.Wait(), 0);
  }
  // The end of input (0): nobody is left to answer, and everything unloads as
  // when closed. SIGTERM, as the task manager ends it (reason 3), and SIGINT,
  // as the control menu closes it (reason 0): no question; a line half typed
  // when the signal comes is not run; an open menu closes, then it unloads.
  for (const auto& [signal, typed] :
       {std::pair{0, ""}, {SIGTERM, "dblclick"}, {SIGINT, "dblclick"}, {SIGTERM, "rclick\n"}}) {
    TrayProcess tray;
    tray.WaitFor("icon:");
    const bool menu = std::string(typed) == "rclick\n";
    if (signal == 0) {
      tray.CloseInput();
    } else {
      tray.Send(typed);
      if (menu) tray.WaitFor("menu: open");  // the signal comes while the menu waits for a choice
      else std::this_thread::sleep_for(std::chrono::milliseconds(100));
      tray.Signal(signal);
    }
    if (menu) {
      EXPECT_EQ(tray.WaitFor("menu: dismissed"), "menu: dismissed");
    }
    EXPECT_EQ(tray.WaitFor("icon:"), "icon: removed") << signal << " " << typed;
    EXPECT_EQ(tray.Wait(), 0);
    EXPECT_EQ(GetRegSetting("Vantorel", "Options", "TrayIconActive", ""), "0");
    EXPECT_EQ(tray.Output().find("launch"), std::string::npos) << tray.Output();
    EXPECT_EQ(tray.Output().find("message box:"), std::string::npos) << tray.Output();
  }
}

}  // namespace
