#pragma once
// Reading what tests/argv_recorder.sh recorded: one entry per started
// program, its own path and its arguments.
#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

struct LaunchRecord {
  std::string program;
  std::vector<std::string> args;
};

inline std::vector<LaunchRecord> ReadLaunchLog(const std::string& logPath) {
  std::ifstream file(logPath, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t end; (end = text.find('\0', start)) != std::string::npos; start = end + 1)
    fields.push_back(text.substr(start, end - start));

  std::vector<LaunchRecord> records;
  for (size_t i = 0; i < fields.size();) {
    if (fields[i].rfind("start ", 0) != 0) break;
    const size_t count = std::stoul(fields[i].substr(6));
    if (i + 1 + 1 + count > fields.size()) break;  // still being written
    LaunchRecord record{fields[i + 1], {}};
    record.args.assign(fields.begin() + static_cast<long>(i + 2),
                       fields.begin() + static_cast<long>(i + 2 + count));
    records.push_back(std::move(record));
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
