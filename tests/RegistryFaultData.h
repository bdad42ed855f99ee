#pragma once
// The values that the registry fault test writes and checks: value i holds
// its own number in a header and a pattern of a length that varies with i,
// so that a reader can tell a whole value from a torn one.
#include <charconv>
#include <cstdint>
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

// The number in a value's header, or -1 when there is none.
inline int Number(const std::string& data) {
  const size_t colon = data.find(':');
  int i = -1;
  if (colon == std::string::npos || colon > 6 || data[0] == '-') return -1;
  const auto [end, error] = std::from_chars(data.data(), data.data() + colon, i);
  return error == std::errc() && end == data.data() + colon ? i : -1;
}

}  // namespace faultdata
