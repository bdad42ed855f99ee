// The drive view: Windows paths on a host without Windows.
#include "platform/emu/DriveView.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/emu/UserData.h"
#include "platform/RegPath.h"
#include "platform/Strings.h"

namespace fs = std::filesystem;

namespace emu {
namespace {

constexpr char kWindowsDirectory[] = "C:\\WINDOWS";

// A host path made absolute and lexically normal, without following links
// that do not exist yet.
fs::path Canonical(const fs::path& p) {
  std::error_code ec;
  fs::path result = fs::weakly_canonical(fs::absolute(p, ec), ec);
  if (ec) return fs::absolute(p).lexically_normal();
  return result;
}

// The entry of `folder` whose name equals `name` without regard to case.
std::optional<std::string> FindIgnoringCase(const std::string& folder, std::string_view name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) return std::nullopt;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (EqualsAsciiNoCase(entry->d_name, name)) return std::string(entry->d_name);
  }
  return std::nullopt;
}

// The names of the part of a Windows path behind its drive, with "." and
// ".." resolved as Windows does: never above the drive's root.
std::vector<std::string> ResolvedNames(std::string_view rest) {
  std::vector<std::string> names;
  for (std::string_view name : SplitNames(rest)) {
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.emplace_back(name);
    }
  }
  return names;
}

}  // namespace

std::string DriveCFolder() {
  const std::string configured = DriveCSetting();
  if (!configured.empty()) return Canonical(configured).string();
  // By default C: sits beside the registry store.
  return Canonical(fs::path(RegistryStorePath()).parent_path() / "drive_c").string();
}

std::optional<std::string> HostPath(std::string_view windowsPath) {
  if (windowsPath.find('\0') != std::string_view::npos) return std::nullopt;
  std::string path(windowsPath);
  for (char& c : path)
    if (c == '/') c = '\\';

  char drive = 0;
  std::string rest;
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    drive = AsciiUpper(path[0]);
    rest = path.substr(2);  // "C:x" is taken from C:'s root: the view keeps no folder per drive
  } else if (path.rfind("\\\\", 0) == 0) {
    return std::nullopt;  // a network name
  } else {
    // Relative to the current folder, or to the root of its drive.
    std::error_code ec;
    const std::string current = WindowsPath(fs::current_path(ec).string());
    if (ec) return std::nullopt;
    drive = current[0];
    rest = (!path.empty() && path[0] == '\\') ? path : current.substr(2) + "\\" + path;
  }

  std::string host;
  if (drive == 'C') {
    host = DriveCFolder();
  } else if (drive == 'Z') {
    host = "/";
  } else {
    return std::nullopt;
  }

  for (const std::string& name : ResolvedNames(rest)) {
    std::string next = host;
    if (next.back() != '/') next += '/';
    struct stat info;
    if (::lstat((next + name).c_str(), &info) == 0) {
      next += name;
    } else if (auto found = FindIgnoringCase(host, name)) {
      next += *found;
    } else {
      next += name;
    }
    host = std::move(next);
  }
  return host;
}

std::string WindowsPath(std::string_view hostPath) {
  const fs::path path = Canonical(fs::path(hostPath));
  const fs::path driveC = Canonical(DriveCFolder());

  // Below C:'s folder (or the folder itself): the C: form.
  auto [driveEnd, pathIt] = std::mismatch(driveC.begin(), driveC.end(), path.begin(), path.end());
  const bool belowC = driveEnd == driveC.end() || (std::next(driveEnd) == driveC.end() && driveEnd->empty());
  std::string result;
  fs::path::iterator it;
  if (belowC) {
    result = "C:";
    it = pathIt;
  } else {
    result = "Z:";
    it = path.begin();
  }
  for (; it != path.end(); ++it) {
    const std::string name = it->string();
    if (name.empty() || name == "/") continue;
    result += '\\';
    result += name;
  }
  if (result.size() == 2) result += '\\';
  return result;
}

bool NormalFileExists(std::string_view windowsPath) {
  const std::optional<std::string> host = HostPath(windowsPath);
  if (!host) return false;
  struct stat info;
  if (::stat(host->c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const std::string name = fs::path(*host).filename().string();
  if (!name.empty() && name[0] == '.') return false;

  // Wine keeps the DOS attributes in an extended attribute ("0x22", "0x4"...).
  char attributes[32] = {};
  const ssize_t length = ::getxattr(host->c_str(), "user.DOSATTRIB", attributes, sizeof attributes - 1);
  if (length > 0) {
    constexpr unsigned long kHidden = 0x2, kSystem = 0x4;
    const unsigned long value = std::strtoul(attributes, nullptr, 0);
    if (value & (kHidden | kSystem)) return false;
  }
  return true;
}

std::string ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return WindowsPath(fs::current_path(ec).string());
  return WindowsPath(exe.parent_path().string());
}

std::string WindowsDirectory() { return kWindowsDirectory; }

}  // namespace emu
