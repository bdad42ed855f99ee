#include "platform/Printable.h"

#include "platform/Hex.h"
#include "platform/Strings.h"

namespace {

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
      const size_t length = Utf8SequenceLength(text, i);
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
