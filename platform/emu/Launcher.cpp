// Starting programs without a shell: Windows' argument rules, posix_spawn.
#include "platform/emu/Launcher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>

#include "platform/emu/DriveView.h"
#include "platform/Strings.h"

extern char** environ;

namespace emu {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The arguments behind the program's name. Quotes are counted as Windows
// counts them: with the opening quote included, 3n consecutive quotes give
// n literal quotes, 3n+1 give n and close the quoted part, 3n+2 give n+1
// and close it.
std::vector<std::string> SplitArguments(std::string_view s) {
  std::vector<std::string> args;
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  if (i == s.size()) return args;

  std::string current;
  int quotes = 0;      // 1 while inside a quoted part
  size_t slashes = 0;  // backslashes just before the current character
  while (i < s.size()) {
    const char c = s[i];
    if (IsBlank(c) && quotes == 0) {
      args.push_back(std::move(current));
      current.clear();
      slashes = 0;
      while (i < s.size() && IsBlank(s[i])) ++i;
      if (i == s.size()) return args;
    } else if (c == '\\') {
      current += c;
      ++slashes;
      ++i;
    } else if (c == '"') {
      if (slashes % 2 == 0) {
        current.resize(current.size() - slashes / 2);
        ++quotes;
      } else {
        current.resize(current.size() - slashes / 2 - 1);
        current += '"';
      }
      ++i;
      slashes = 0;
      while (i < s.size() && s[i] == '"') {
        if (++quotes == 3) {
          current += '"';
          quotes = 0;
        }
        ++i;
      }
      if (quotes == 2) quotes = 0;
    } else {
      current += c;
      slashes = 0;
      ++i;
    }
  }
  args.push_back(std::move(current));
  return args;
}

// Where the program's name ends by Windows' rule for it.
size_t EndOfProgramName(std::string_view s) {
  if (!s.empty() && s[0] == '"') {
    const size_t close = s.find('"', 1);
    return close == std::string_view::npos ? s.size() : close + 1;
  }
  size_t i = 0;
  while (i < s.size() && !IsBlank(s[i])) ++i;
  return i;
}

std::optional<std::string> FindInPath(const char* name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return std::nullopt;
  std::string_view folders(path);
  while (true) {
    const size_t colon = folders.find(':');
    // An empty entry is the current folder.
    std::string candidate(colon == 0 || folders.empty() ? std::string_view(".") : folders.substr(0, colon));
    candidate.push_back('/');
    candidate.append(name);
    struct stat info;
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    if (colon == std::string_view::npos) return std::nullopt;
    folders.remove_prefix(colon + 1);
  }
}

enum class ProgramKind { Native, Windows, Unknown };

ProgramKind KindOf(const std::string& hostPath) {
  char head[4] = {};
  std::ifstream file(hostPath, std::ios::binary);
  file.read(head, sizeof head);
  const std::streamsize got = file.gcount();
  if (got >= 2 && head[0] == '#' && head[1] == '!') return ProgramKind::Native;
  if (got >= 4 && std::memcmp(head, "\x7f" "ELF", 4) == 0) return ProgramKind::Native;
  if (got >= 2 && head[0] == 'M' && head[1] == 'Z') return ProgramKind::Windows;
  if (hostPath.size() >= 4 && EqualsAsciiNoCase(std::string_view(hostPath).substr(hostPath.size() - 4), ".exe"))
    return ProgramKind::Windows;
  return ProgramKind::Unknown;
}

DWORD WindowsError(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return ERROR_FILE_NOT_FOUND;
    case ENOEXEC:
      return 193;  // ERROR_BAD_EXE_FORMAT
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

std::vector<pid_t>& Launched() {
  static std::vector<pid_t> pids;
  return pids;
}

// Starts argv[0] with no standard streams (a started program must not read
// the commands meant for us, nor write into our screen), in a session of its
// own (so that the terminal's signals do not reach it), with the signals
// set back to their defaults. Returns 0 or an errno value.
int Spawn(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_init(&attributes);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2,
                  SIGWINCH, SIGTSTP, SIGTTIN, SIGTTOU})
    sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = 0;
  const int error = ::posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (error == 0) Launched().push_back(pid);
  return error;
}

}  // namespace

std::vector<std::string> CommandLineArguments(std::string_view commandLine,
                                              std::string_view programPath) {
  const auto endsName = [&](size_t at) { return at == commandLine.size() || IsBlank(commandLine[at]); };
  size_t end;
  if (!programPath.empty() && StartsWithAsciiNoCase(commandLine, programPath) &&
      endsName(programPath.size())) {
    end = programPath.size();
  } else if (!programPath.empty() && commandLine.size() >= programPath.size() + 2 &&
             commandLine[0] == '"' && StartsWithAsciiNoCase(commandLine.substr(1), programPath) &&
             commandLine[programPath.size() + 1] == '"') {
    end = programPath.size() + 2;
  } else {
    end = EndOfProgramName(commandLine);
  }
  return SplitArguments(commandLine.substr(end));
}

DWORD Launch(std::string_view programPath, std::string_view commandLine) {
  ReapLaunched();
  const std::optional<std::string> host = HostPath(programPath);
  if (!host || programPath.empty()) return ERROR_FILE_NOT_FOUND;
  struct stat info;
  if (::stat(host->c_str(), &info) != 0) return ERROR_FILE_NOT_FOUND;
  if (!S_ISREG(info.st_mode)) return ERROR_ACCESS_DENIED;

  std::vector<std::string> argv;
  if (KindOf(*host) == ProgramKind::Windows) {
    const std::optional<std::string> wine = FindInPath("wine");
    if (!wine) return 193;  // ERROR_BAD_EXE_FORMAT: nothing here runs it
    argv = {*wine, *host};
  } else {
    if (::access(host->c_str(), X_OK) != 0) return ERROR_ACCESS_DENIED;
    argv = {*host};
  }
  for (std::string& a : CommandLineArguments(commandLine, programPath)) argv.push_back(std::move(a));
  const int error = Spawn(argv);
  return error == 0 ? 0 : WindowsError(error);
}

void ReapLaunched() {
  std::vector<pid_t>& pids = Launched();
  pids.erase(std::remove_if(pids.begin(), pids.end(),
                            [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; }),
             pids.end());
}

// "http://...", "mailto:..." but not "C:\...": a scheme has two letters or more.
static bool IsAddress(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = text[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool other = i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.');
    if (!letter && !other) return false;
  }
  return true;
}

intptr_t OpenWithDesktop(std::string_view operation, std::string_view file) {
  constexpr intptr_t kFileNotFound = 2, kNoAssociation = 31, kDone = 42;
  if (!operation.empty() && operation != "open") return kNoAssociation;
  if (file.empty()) return kFileNotFound;

  std::string target(file);
  if (!IsAddress(target)) {
    const std::optional<std::string> host = HostPath(target);
    struct stat info;
    if (!host || ::stat(host->c_str(), &info) != 0) return kFileNotFound;
    target = *host;
  }
  ReapLaunched();
  const std::optional<std::string> opener = FindInPath("xdg-open");
  if (!opener) return kNoAssociation;
  // The target is one argument of its own: nothing in it reaches a shell.
  return Spawn({*opener, target}) == 0 ? kDone : kNoAssociation;
}

}  // namespace emu
