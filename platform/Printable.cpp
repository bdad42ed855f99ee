#include "platform/Printable.h"

#include "platform/Hex.h"

namespace {

#ifndef _WIN32
// Length of the UTF-8 character at text[i] (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF), or 0 when the bytes there are none.
size_t Utf8SequenceAt(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  const auto second = static_cast<unsigned char>(text[i + 1]);
  const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
  const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
  if (second < low || second > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}
#endif

void AppendEscaped(std::string& out, unsigned char byte) {
  switch (byte) {
    case '\0': out += "\\0"; return;
    case '\t': out += "\\t"; return;
    case '\n': out += "\\n"; return;
    case '\r': out += "\\r"; return;
    default:
      out += "\\x";
      AppendHex(out, byte, 2);
  }
}

}  // namespace

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x20 || byte == 0x7F) {
      AppendEscaped(out, byte);
      continue;
    }
#ifndef _WIN32
    if (byte >= 0x80) {
      const size_t length = Utf8SequenceAt(text, i);
      const bool c1Control = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
      if (length == 0 || c1Control) {
        AppendEscaped(out, byte);
        continue;
      }
      out.append(text, i, length);
      i += length - 1;
      continue;
    }
#endif
    out += static_cast<char>(byte);
  }
  return out;
}
