#include "platform/Strings.h"

#include "platform/modAPI.h"

namespace {

constexpr std::string_view kSpaces = " ";
constexpr std::string_view kBlanks = " \t";

std::string_view TrimLeft(std::string_view text, std::string_view blanks) {
  const size_t first = text.find_first_not_of(blanks);
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimRight(std::string_view text, std::string_view blanks) {
  const size_t last = text.find_last_not_of(blanks);
  return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

}  // namespace

std::string Trim(const std::string& text) { return std::string(TrimRight(TrimLeft(text, kSpaces), kSpaces)); }

std::string_view TrimSpacesRight(std::string_view text) { return TrimRight(text, kSpaces); }

std::string_view TrimBlanksLeft(std::string_view text) { return TrimLeft(text, kBlanks); }

std::string_view TrimBlanksRight(std::string_view text) { return TrimRight(text, kBlanks); }

std::string_view TrimBlanks(std::string_view text) { return TrimRight(TrimLeft(text, kBlanks), kBlanks); }

std::string UCaseAscii(std::string text) {
  for (char& c : text) c = AsciiUpper(c);
  return text;
}

std::string LCaseAscii(std::string text) {
  for (char& c : text) c = AsciiLower(c);
  return text;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && StartsWithAsciiNoCase(a, b);
}

bool StartsWithAsciiNoCase(std::string_view text, std::string_view prefix) {
  if (prefix.size() > text.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
  return true;
}

std::string LCase(std::string text) {
#ifdef _WIN32
  if (!text.empty()) CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
#else
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 'A' && c <= 'Z') {
      text[i] = static_cast<char>(c - 'A' + 'a');
    } else if (c == 0xC3 && i + 1 < text.size()) {
      // U+00C0..U+00DE but U+00D7 (the multiplication sign): 0xC3 0x80..0x9E.
      const unsigned char next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9E && next != 0x97) text[i + 1] = static_cast<char>(next + 0x20);
      ++i;
    }
  }
#endif
  return text;
}

std::optional<std::string> QuotedArgument(const std::string& text) {
  if (text.find('"') != std::string::npos) return std::nullopt;
  // Backslashes are literal except before a quote; only the trailing ones
  // stand before one, the closing quote.
  const size_t trailing = text.size() - (text.find_last_not_of('\\') + 1);
  return "\"" + text + std::string(trailing, '\\') + "\"";
}

uint32_t CopyOutText(std::string_view text, char* buffer, uint32_t size) {
  const auto length = static_cast<uint32_t>(text.size());
  if (buffer == nullptr || size <= length) return length + 1;
  text.copy(buffer, length);
  buffer[length] = '\0';
  return length;
}

size_t Utf8SequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  return length;
}
