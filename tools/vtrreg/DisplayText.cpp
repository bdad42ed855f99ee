#include "tools/vtrreg/DisplayText.h"

#include <algorithm>
#include <charconv>

#include "platform/Hex.h"
#include "registry/clsEasyRegistry.h"

size_t DisplayWidth(const std::string& text) {
#ifdef _WIN32
  return text.size();
#else
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
#endif
}

std::string PadRight(const std::string& text, size_t width) {
  const size_t used = DisplayWidth(text);
  return used >= width ? text : text + std::string(width - used, ' ');
}

std::string KindName(int32_t kind) {
  switch (kind) {
    case ValueKind::String: return "String";
    case ValueKind::Binary: return "Binary";
    case ValueKind::DWord: return "DWord";
    case ValueKind::MultiString: return "MultiString";
    default: return "?";
  }
}

std::string KindColumn(const std::string& code) {
  if (code.empty()) return std::string();
  int32_t kind = -1;
  std::from_chars(code.data(), code.data() + code.size(), kind);
  return code + " " + KindName(kind);
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    AppendHex(text, byte, 2);
  }
  return text;
}
