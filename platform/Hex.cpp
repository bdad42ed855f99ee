#include "platform/Hex.h"

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendHex(std::string& out, uint32_t value, size_t minDigits, bool lower) {
  const char* digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
  char reversed[8];
  size_t length = 0;
  do {
    reversed[length++] = digits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  if (length < minDigits) out.append(minDigits - length, '0');
  while (length > 0) out += reversed[--length];
}

bool ParseHex32(std::string_view digits, uint32_t& number) {
  if (digits.empty() || digits.size() > 8) return false;
  uint32_t value = 0;
  for (char c : digits) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  number = value;
  return true;
}
