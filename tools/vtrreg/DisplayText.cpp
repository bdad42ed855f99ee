#include "tools/vtrreg/DisplayText.h"

#include <algorithm>
#include <charconv>

#include "platform/Hex.h"
#include "registry/clsEasyRegistry.h"

#ifndef _WIN32
namespace {

// Length of the UTF-8 sequence at text[i], or 0 when the bytes there are
// not one (systems without Windows show narrow text as UTF-8).
size_t Utf8SequenceAt(const std::string& text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace
#endif

std::string Display(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    bool escape = byte < 0x20 || byte == 0x7F;
#ifndef _WIN32
    if (byte >= 0x80) {
      const size_t length = Utf8SequenceAt(text, i);
      if (length > 0) {
        shown.append(text, i, length);
        i += length - 1;
        continue;
      }
      escape = true;
    }
#endif
    if (byte == 0) {
      shown += "\\0";
    } else if (escape) {
      shown += "\\x";
      AppendHex(shown, byte, 2);
    } else {
      shown += text[i];
    }
  }
  return shown;
}

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
