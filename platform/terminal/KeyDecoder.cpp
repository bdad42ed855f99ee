#include "platform/terminal/KeyDecoder.h"

namespace terminal {
namespace {

unsigned char Byte(std::string_view input, size_t i) { return static_cast<unsigned char>(input[i]); }

// What is not finished yet after `taken` bytes: wait for the rest, or drop what came.
KeyToken Unfinished(size_t taken, bool more) {
  return more && taken < kMaxSequence ? KeyToken{} : KeyToken{"", taken};
}

// CSI: parameter bytes 0x30-0x3F, intermediate bytes 0x20-0x2F, one final byte 0x40-0x7E.
KeyToken ReadCsi(std::string_view input, bool more) {
  size_t i = 2;
  for (; i < input.size(); ++i) {
    const unsigned char c = Byte(input, i);
    if (c >= 0x40 && c <= 0x7E) {
      const std::string_view sequence = input.substr(0, i + 1);
      if (sequence == "\x1b[A") return {"up", i + 1};
      if (sequence == "\x1b[B") return {"down", i + 1};
      return {"", i + 1};
    }
    if (c < 0x20 || c > 0x3F) return {"", i};  // broken off: the byte begins the next key
  }
  return Unfinished(i, more);
}

// SS3: one character (the cursor keys in application mode, F1 to F4).
KeyToken ReadSs3(std::string_view input, bool more) {
  if (input.size() < 3) return Unfinished(2, more);
  if (input[2] == 'A') return {"up", 3};
  if (input[2] == 'B') return {"down", 3};
  return {"", 3};
}

// A string sequence (OSC, DCS, APC, PM, SOS): up to BEL or ST (ESC \).
KeyToken ReadStringSequence(std::string_view input, bool more) {
  for (size_t i = 2; i < input.size(); ++i) {
    if (input[i] == '\a') return {"", i + 1};
    if (input[i] == '\x1b') {
      if (i + 1 == input.size()) return Unfinished(i, more);
      if (input[i + 1] == '\\') return {"", i + 2};
    }
  }
  return Unfinished(input.size(), more);
}

// Intermediate bytes, then one final byte.
KeyToken ReadIntermediates(std::string_view input, bool more) {
  size_t i = 1;
  while (i < input.size() && Byte(input, i) >= 0x20 && Byte(input, i) <= 0x2F) ++i;
  if (i == input.size()) return Unfinished(i, more);
  return {"", i + 1};
}

}  // namespace

KeyToken ReadKey(std::string_view input, bool more) {
  if (input.empty()) return {};
  if (input[0] == '\r') return {"\n", 1};
  if (input[0] != '\x1b') return {std::string(1, input[0]), 1};
  if (input.size() == 1) return more ? KeyToken{} : KeyToken{"\x1b", 1};
  const unsigned char kind = Byte(input, 1);
  if (kind == '[') return ReadCsi(input, more);
  if (kind == 'O') return ReadSs3(input, more);
  if (kind == ']' || kind == 'P' || kind == '_' || kind == '^' || kind == 'X') return ReadStringSequence(input, more);
  if (kind >= 0x20 && kind <= 0x2F) return ReadIntermediates(input, more);
  if (kind > 0x2F && kind < 0x7F) return {"", 2};  // Alt with a key, or a two-byte sequence
  return {"\x1b", 1};                               // Esc, then a key of its own
}

}  // namespace terminal
