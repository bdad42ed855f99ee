#pragma once
// The values that the registry fault test writes and checks: value i holds
// its own number in a header and a pattern of a length that varies with i,
// so that a reader can tell a whole value from a torn one.
#include <cstddef>
#include <string>

namespace faultdata {

constexpr const char* kKey = "Software\\VtrTest\\Fault";
constexpr int kValues = 10000;

inline std::string Name(int i) { return "v" + std::to_string(i); }

inline std::string Data(int i) {
  std::string data = std::to_string(i) + ":";
  size_t length = 16 + (static_cast<size_t>(i) * 37) % 3000;
  for (size_t j = 0; j < length; ++j) data.push_back(static_cast<char>((i * 31 + j * 7) & 0xFF));
  return data;
}

}  // namespace faultdata
