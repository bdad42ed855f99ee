#include "platform/modStrings.h"

#include "platform/modAPI.h"

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string_view TrimBlanksLeft(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

std::string_view TrimBlanksRight(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

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
