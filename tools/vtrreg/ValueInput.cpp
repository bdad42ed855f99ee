#include "tools/vtrreg/ValueInput.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "platform/Hex.h"
#include "platform/Strings.h"
#include "registry/clsEasyRegistry.h"
#include "tools/vtrreg/CommandTable.h"
#include "tools/vtrreg/VtrRegError.h"

namespace {

// A number for a dword, decimal or 0x-hexadecimal. Whether it fits a dword
// (whole, 0 to 4294967295) is the registry class's judgement.
double ParseNumber(const std::string& text) {
  const std::string trimmed = Trim(text);
  const char* first = trimmed.data();
  const char* last = first + trimmed.size();
  if (trimmed.size() > 2 && trimmed[0] == '0' && (trimmed[1] == 'x' || trimmed[1] == 'X')) {
    uint64_t number = 0;
    const auto [end, error] = std::from_chars(first + 2, last, number, 16);
    if (error == std::errc() && end == last) return static_cast<double>(number);
  } else {
    double number = 0;
    const auto [end, error] = std::from_chars(first, last, number);
    if (!trimmed.empty() && error == std::errc() && end == last) return number;
  }
  throw VtrRegError::Make(VtrRegError::BadValue, VtrRegError::Source,
                          "\"" + text + "\" is not a number (decimal, or hexadecimal after 0x)");
}

// Bytes in hexadecimal, in any number of words.
std::vector<uint8_t> ParseBytes(const std::vector<std::string>& words) {
  std::vector<uint8_t> bytes;
  for (const std::string& word : words) {
    std::string token;
    for (size_t i = 0; i <= word.size(); ++i) {
      const bool separator = i == word.size() || word[i] == ',' || word[i] == ' ' || word[i] == '\t';
      if (!separator) {
        token += word[i];
        continue;
      }
      if (token.empty()) continue;
      const bool valid = std::all_of(token.begin(), token.end(), [](char c) { return HexDigitValue(c) >= 0; }) &&
                         (token.size() <= 2 || token.size() % 2 == 0);
      if (!valid) {
        throw VtrRegError::Make(VtrRegError::BadValue, VtrRegError::Source,
                                "\"" + token + "\" is not bytes in hexadecimal (as in 00 0A FF)");
      }
      if (token.size() == 1) token.insert(0, 1, '0');
      for (size_t k = 0; k < token.size(); k += 2) {
        bytes.push_back(static_cast<uint8_t>(HexDigitValue(token[k]) * 16 + HexDigitValue(token[k + 1])));
      }
      token.clear();
    }
  }
  return bytes;
}

}  // namespace

int32_t ParseKind(const std::string& text) {
  const std::string kind = LCaseAscii(text);
  if (kind == "string" || kind == "sz") return ValueKind::String;
  if (kind == "binary" || kind == "bin") return ValueKind::Binary;
  if (kind == "dword") return ValueKind::DWord;
  if (kind == "multistring" || kind == "multi") return ValueKind::MultiString;
  // A code as the registry class takes it; the class judges the code.
  int32_t code = 0;
  const auto [end, error] = std::from_chars(kind.data(), kind.data() + kind.size(), code);
  if (!kind.empty() && error == std::errc() && end == kind.data() + kind.size()) return code;
  throw VtrRegError::Make(VtrRegError::Usage, VtrRegError::Source,
                          "unknown kind \"" + text + "\": string, dword, binary, multistring or a code from 0 to 3");
}

Variant MakeValue(int32_t kind, const std::vector<std::string>& values) {
  switch (kind) {
    case ValueKind::String:
      if (values.size() != 1) ThrowUsage("set", "a string takes one VALUE (quote a text with blanks)");
      return Variant(values[0]);
    case ValueKind::DWord:
      if (values.size() != 1) ThrowUsage("set", "a dword takes one VALUE");
      return Variant(ParseNumber(values[0]));
    case ValueKind::Binary:
      return Variant(ByteArray(ParseBytes(values)));
    case ValueKind::MultiString: {
      // Each VALUE one string, each ended by a zero byte, and one more at the end.
      if (values.empty()) ThrowUsage("set", "a multistring takes one VALUE per string");
      std::vector<uint8_t> bytes;
      for (const std::string& text : values) {
        if (text.empty()) {
          throw VtrRegError::Make(VtrRegError::BadValue, VtrRegError::Source,
                                  "a multistring cannot hold an empty string (it would end the list)");
        }
        bytes.insert(bytes.end(), text.begin(), text.end());
        bytes.push_back(0);
      }
      bytes.push_back(0);
      return Variant(ByteArray(std::move(bytes)));
    }
    default:
      // An unknown kind: the registry class refuses it with its own error.
      return Variant(values.empty() ? std::string() : values[0]);
  }
}
