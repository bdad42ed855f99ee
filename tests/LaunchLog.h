#pragma once
// Tests of started programs: the recording program tests/argv_recorder.sh,
// reading what it recorded (one entry per start: its own path and its
// arguments), environment variables set for one test, and a drive C: of the
// test's own.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// A fresh folder for one test, removed after it: drive C: (with the main
// program's folder), a bin folder that alone stands before the system's on
// the PATH, and the log the recording program writes. The environment
// variables it sets (and those a test sets through it) are put back after.
struct ScratchDrive {
  ScratchDrive() {
    std::filesystem::create_directories(driveC / "Program Files/Vantorel");
    std::filesystem::create_directories(root / "bin");
    SetEnv("VTR_DRIVE_C", driveC.string());
    SetEnv("VTR_ARGV_LOG", log);
    SetEnv("PATH", (root / "bin").string() + ":/usr/bin:/bin");
  }
  ~ScratchDrive() {
    std::filesystem::remove_all(root);
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1) : ::unsetenv(it->first.c_str());
  }
  void SetEnv(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  static std::filesystem::path MakeFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vtr-drive-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    return pattern;
  }

  const std::filesystem::path root = MakeFolder(), driveC = root / "drive_c";
  const std::string log = (root / "launches.log").string();
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;  // names and values to put back
};

// Puts a copy of the recording program at a host path.
inline void InstallRecorder(const char* recorder, const std::filesystem::path& where) {
  std::filesystem::copy_file(recorder, where, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(where, std::filesystem::perms::owner_all);
}

// Words of a command: a started program's path followed by its arguments.
using Args = std::vector<std::string>;

// The records written whole so far; with a count, waits (a few seconds at
// most) until that many have been written, as started programs run on their own.
inline std::vector<Args> LaunchRecords(const std::string& logPath, size_t count = 0) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  for (;; std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
    std::ifstream file(logPath, std::ios::binary);
    std::vector<std::string> fields;
    for (std::string field; std::getline(file, field, '\0') && !file.eof();) fields.push_back(field);
    std::vector<Args> records;
    for (size_t i = 0; i + 1 < fields.size() && fields[i].rfind("start ", 0) == 0;) {
      const size_t args = std::stoul(fields[i].substr(6));
      if (i + 2 + args > fields.size()) break;  // still being written
      records.emplace_back(fields.begin() + long(i + 1), fields.begin() + long(i + 2 + args));
      i += 2 + args;
    }
    if (records.size() >= count || std::chrono::steady_clock::now() >= deadline) return records;
  }
}
