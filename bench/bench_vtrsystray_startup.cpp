// Start-up of vtrsystray, the terminal front end, to its icon, and its
// resident memory: starts the program again and again on a private store
// with a main program and five recent files, times each start from the
// spawn to the "icon:" line, opens the menu once, and reads the peak
// resident set from /proc. Prints the figures and the targets (20 ms, 8 MB).
//
//   bench_vtrsystray_startup [runs]     (default 30)
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/emu/UserData.h"
#include "registry/clsEasyRegistry.h"
#include "registry/modSettings.h"
#include "tray/UserDataNames.h"

extern char** environ;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Run {
  double startupMs = -1;
  long peakKb = -1;
};

// Reads from fd until a line starting with prefix has arrived.
bool ReadUntil(int fd, std::string& buffer, const std::string& prefix) {
  while (true) {
    for (size_t start = 0, nl; (nl = buffer.find('\n', start)) != std::string::npos; start = nl + 1) {
      if (buffer.compare(start, prefix.size(), prefix) == 0) {
        buffer.erase(0, nl + 1);
        return true;
      }
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) return false;
    char chunk[4096];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got <= 0) return false;
    buffer.append(chunk, static_cast<size_t>(got));
  }
}

long StatusKb(pid_t pid, const char* field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
  return -1;
}

Run StartOnce() {
  int in[2], out[2];
  if (::pipe(in) != 0 || ::pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  for (int fd : {in[0], in[1], out[0], out[1]}) posix_spawn_file_actions_addclose(&actions, fd);
  char* argv[] = {const_cast<char*>(VTR_SYSTRAY), nullptr};

  Run run;
  pid_t pid = 0;
  const Clock::time_point started = Clock::now();
  const int spawned = ::posix_spawn(&pid, VTR_SYSTRAY, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(in[0]);
  ::close(out[1]);
  std::string buffer;
  if (spawned == 0 && ReadUntil(out[0], buffer, "icon:")) {
    run.startupMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
    // The right-button path once (menu with five recent files), then the peak.
    const char commands[] = "rclick\ndismiss\nmove\n";
    (void)!::write(in[1], commands, sizeof commands - 1);
    if (ReadUntil(out[0], buffer, "menu: dismissed")) run.peakKb = StatusKb(pid, "VmHWM:");
  }
  ::close(in[1]);
  ReadUntil(out[0], buffer, "icon: removed");
  ::close(out[0]);
  if (spawned == 0) ::waitpid(pid, nullptr, 0);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  emu::SetUserDataNames({kDataFolderName, kStoreVariable, kDriveCVariable});
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  const fs::path dir = fs::temp_directory_path() / ("vtr-bench-startup-" + std::to_string(::getpid()));
  fs::create_directories(dir / "drive_c");
  ::setenv("VTR_REGISTRY", (dir / "registry.db").c_str(), 1);
  ::setenv("VTR_DRIVE_C", (dir / "drive_c").c_str(), 1);

  {
    clsEasyRegistry reg;
    reg.SuppressErrors(true);
    reg.Cd("\\HKEY_LOCAL_MACHINE\\SOFTWARE");
    reg.MakeKey("Microsoft\\Windows\\CurrentVersion\\App Paths\\vtr.exe");
    reg.Cd("\\HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\vtr.exe");
    int32_t kind = ValueKind::String;
    reg.ValueOf("", kind, Variant(std::string("C:\\Program Files\\Vantorel\\Vtr.exe")));
  }
  SaveRegSetting("Vantorel", "Options", "LastFileApplied", "C:\\Docs\\Plan.txt");
  SaveRegSetting("Vantorel", "Recent", "MaxFile", "5");
  for (int n = 1; n <= 5; ++n)
    SaveRegSetting("Vantorel", "Recent", "File" + std::to_string(n), "C:\\Docs\\Report " + std::to_string(n) + ".txt");

  (void)StartOnce();  // the first start warms the file cache
  std::vector<double> startups;
  long peakKb = 0;
  for (int i = 0; i < runs; ++i) {
    const Run run = StartOnce();
    if (run.startupMs < 0) {
      std::fprintf(stderr, "vtrsystray did not show its icon\n");
      fs::remove_all(dir);
      return 1;
    }
    startups.push_back(run.startupMs);
    peakKb = std::max(peakKb, run.peakKb);
  }
  fs::remove_all(dir);

  std::sort(startups.begin(), startups.end());
  const double median = startups[startups.size() / 2];
  const double p90 = startups[std::min(startups.size() - 1, startups.size() * 9 / 10)];
  std::printf("vtrsystray start-up to its icon: median %.2f ms, p90 %.2f ms, max %.2f ms over %d runs (target: at most 20 ms)\n",
              median, p90, startups.back(), runs);
  std::printf("vtrsystray peak resident memory: %.2f MB (target: at most 8 MB)\n", peakKb / 1024.0);
  const bool met = median <= 20.0 && peakKb <= 8 * 1024;
  std::printf("%s\n", met ? "targets met" : "TARGETS MISSED");
  return met ? 0 : 1;
}
