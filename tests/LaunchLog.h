#pragma once
// Tests of started programs: the recording program tests/argv_recorder.sh,
// reading what it recorded (one entry per start: its own path and its
// arguments), and environment variables set for one test.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Sets environment variables for the life of a test, then puts back what was there.
class ScopedEnvironment {
 public:
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      it->second ? ::setenv(it->first.c_str(), it->second->c_str(), 1) : ::unsetenv(it->first.c_str());
  }
  void Set(const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name.c_str(), value.c_str(), 1);
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// Puts a copy of the recording program at a host path.
inline void InstallRecorder(const char* recorder, const std::filesystem::path& where) {
  std::filesystem::copy_file(recorder, where, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(where, std::filesystem::perms::owner_all);
}

struct LaunchRecord {
  std::string program;
  std::vector<std::string> args;
};

// The records written whole so far.
inline std::vector<LaunchRecord> ReadLaunchLog(const std::string& logPath) {
  std::ifstream file(logPath, std::ios::binary);
  std::vector<std::string> fields;
  for (std::string field; std::getline(file, field, '\0') && !file.eof();) fields.push_back(field);
  std::vector<LaunchRecord> records;
  for (size_t i = 0; i + 1 < fields.size() && fields[i].rfind("start ", 0) == 0;) {
    const size_t count = std::stoul(fields[i].substr(6));
    if (i + 2 + count > fields.size()) break;  // still being written
    records.push_back({fields[i + 1], {fields.begin() + long(i + 2), fields.begin() + long(i + 2 + count)}});
    i += 2 + count;
  }
  return records;
}

// Started programs run on their own: wait (a few seconds at most) until
// `count` of them have written their records.
inline std::vector<LaunchRecord> WaitForLaunches(const std::string& logPath, size_t count) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::vector<LaunchRecord> records = ReadLaunchLog(logPath);
  while (records.size() < count && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    records = ReadLaunchLog(logPath);
  }
  return records;
}
