#include "tools/vtrreg/RegFileParser.h"

#include <algorithm>

#include "platform/modHex.h"
#include "platform/modRegPath.h"
#include "platform/modStrings.h"
#include "tools/vtrreg/RegKey.h"
#include "tools/vtrreg/Utf16Text.h"
#include "tools/vtrreg/VtrRegError.h"

namespace {

using Entry = RegFile::Entry;
using EntryKind = RegFile::EntryKind;
using VtrRegError::Quoted;

constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
// Windows keeps keys at most 512 levels deep.
constexpr size_t kMaxKeyDepth = 512;

[[noreturn]] void SyntaxError(const std::string& file, size_t line, const std::string& what) {
  throw VtrRegError::Make(VtrRegError::RegSyntax, VtrRegError::ImportSource,
                          file + ", line " + std::to_string(line) + ": " + what);
}

std::string_view TrimBlanks(std::string_view text) { return TrimBlanksRight(TrimBlanksLeft(text)); }

// The text of a UTF-16LE file (after its byte-order mark) as UTF-8.
std::string Utf8FromUtf16File(const std::string& bytes, const std::string& file) {
  if (bytes.size() % 2 != 0) {
    size_t line = 1;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) line += bytes[i] == '\n' && bytes[i + 1] == '\0';
    SyntaxError(file, line, "not UTF-16 text: the file ends with half a character (an odd number of bytes)");
  }
  const std::u16string wide = Utf16FromLittleEndian(reinterpret_cast<const uint8_t*>(bytes.data()) + 2, bytes.size() - 2);
  std::string text;
  size_t badIndex = 0;
  if (!Utf16ToUtf8(wide, text, &badIndex)) {
    const auto line = 1 + std::count(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(badIndex), u'\n');
    SyntaxError(file, static_cast<size_t>(line), "not valid UTF-16 text");
  }
  return text;
}

// The file's lines, as UTF-8 when the file is UTF-16LE.
std::vector<std::string> SplitLines(const std::string& bytes, bool& unicodeText, const std::string& file) {
  std::string text;
  unicodeText = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                static_cast<unsigned char>(bytes[1]) == 0xFE;
  if (unicodeText) {
    text = Utf8FromUtf16File(bytes, file);
  } else {
    const bool utf8Mark = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    text = utf8Mark ? bytes.substr(3) : bytes;
  }
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

}  // namespace

RegFileParser::RegFileParser(std::string file, const std::string& bytes) : file_(std::move(file)) {
  lines_ = SplitLines(bytes, unicodeText_, file_);
}

std::vector<Entry> RegFileParser::Run() {
  ReadHeader();
  for (line_ = 1; line_ < lines_.size(); ++line_) {
    const std::string_view text = TrimBlanksLeft(lines_[line_]);
    if (text.empty() || text.front() == ';') continue;
    if (text.front() == '[') {
      ReadKeyLine(text);
    } else if (text.front() == '"' || text.front() == '@') {
      ReadValueLine(text);
    } else {
      Fail("neither a key line ([KEY] or [-KEY]) nor a value line (\"name\"=... or @=...)");
    }
  }
  return std::move(entries_);
}

void RegFileParser::Fail(const std::string& what) const { SyntaxError(file_, line_ + 1, what); }

std::string RegFileParser::Narrow(const std::string& text) const {
  if (!unicodeText_) return text;
  std::string narrow;
  if (!NarrowFromUtf8(text, narrow)) Fail("text that the ANSI code page cannot hold: " + Quoted(text));
  return narrow;
}

void RegFileParser::ReadHeader() {
  line_ = 0;
  const std::string_view header = lines_.empty() ? std::string_view() : TrimBlanksRight(lines_[0]);
  if (header == RegFile::HeaderVersion4) {
    version5_ = false;
  } else if (header == RegFile::HeaderVersion5) {
    version5_ = true;
  } else {
    Fail(std::string("not a registry file: the first line must be \"") + RegFile::HeaderVersion4 + "\" or \"" +
         RegFile::HeaderVersion5 + "\"");
  }
}

void RegFileParser::ReadKeyLine(std::string_view text) {
  text = TrimBlanksRight(text);
  if (text.size() < 2 || text.back() != ']') Fail("a key line must end with \"]\"");
  std::string_view path = text.substr(1, text.size() - 2);
  const bool deletion = !path.empty() && path.front() == '-';
  if (deletion) path.remove_prefix(1);

  // A section begins with its root's name: "[\HKEY_...]" names none.
  const RegPathParts parts = SplitRootPath(path);
  const std::string_view rootName = !path.empty() && path.front() == '\\' ? std::string_view() : parts.root;
  const HKEY root = RootKeyNamed(rootName);
  if (root == nullptr) Fail("unknown root key " + Quoted(std::string(rootName)));
  CheckKeyNames(path, rootName, parts.subKey);
  const std::string subKey(parts.subKey);
  if (deletion && subKey.empty()) Fail("a root key cannot be deleted");

  Entry entry;
  entry.kind = deletion ? EntryKind::DeleteKey : EntryKind::Key;
  entry.line = static_cast<int>(line_) + 1;
  entry.root = root;
  entry.keyPath = UCaseAscii(std::string(rootName)) + (subKey.empty() ? "" : "\\" + subKey);
  entry.subKey = Narrow(subKey);
  sectionIndex_ = entries_.size();
  entries_.push_back(std::move(entry));
  section_ = deletion ? Section::Deleted : Section::Key;
}

// Only names the registry can hold: no zero byte, none empty or too long,
// and no deeper than its limit.
void RegFileParser::CheckKeyNames(std::string_view path, std::string_view rootName, std::string_view subKey) const {
  if (path.find('\0') != std::string_view::npos) Fail("a key name holding a zero byte");
  std::vector<std::string_view> names = SplitNames(subKey);
  // "[HKEY_...\]": a backslash after the root, and an empty name after it.
  if (names.empty() && path.size() > rootName.size()) names.emplace_back();
  if (names.size() > kMaxKeyDepth) {
    Fail("a key more than " + std::to_string(kMaxKeyDepth) + " levels below its root (the registry's limit)");
  }
  for (const std::string_view name : names) {
    if (name.empty()) Fail("an empty key name in " + Quoted(std::string(path)));
    if (name.size() > kMaxKeyNameLength) {
      Fail("a key name longer than " + std::to_string(kMaxKeyNameLength) + " characters");
    }
  }
}

// A quoted text with \\ and \" escapes, from the opening quote at pos; pos
// ends after the closing quote.
std::string RegFileParser::ReadQuoted(std::string_view text, size_t& pos, const char* what) const {
  std::string result;
  for (++pos; pos < text.size(); ++pos) {
    const char c = text[pos];
    if (c == '"') {
      ++pos;
      return result;
    }
    if (c == '\\') {
      if (pos + 1 >= text.size()) break;
      const char next = text[++pos];
      if (next != '\\' && next != '"') {
        Fail(std::string("an unknown escape \\") + next + " in " + what + " (write \\\\ for a backslash)");
      }
      result += next;
    } else {
      result += c;
    }
  }
  Fail(std::string(what) + " without its closing quote");
}

void RegFileParser::ReadValueLine(std::string_view text) {
  if (section_ == Section::None) Fail("a value line before the first key line");
  if (section_ == Section::Deleted) Fail("a value line in a key deletion ([-KEY]) section");

  size_t pos = 0;
  std::string name;
  if (text.front() == '@') {
    pos = 1;
  } else {
    name = ReadQuoted(text, pos, "a value name");
    // The registry functions take names up to their first zero byte.
    if (name.find('\0') != std::string::npos) Fail("a value name holding a zero byte");
    if (name.size() > kMaxValueNameLength) {
      Fail("a value name longer than " + std::to_string(kMaxValueNameLength) + " characters");
    }
  }
  const std::string_view afterName = TrimBlanksLeft(text.substr(pos));
  if (afterName.empty() || afterName.front() != '=') Fail("\"=\" expected after the value name");

  const Entry& section = entries_[sectionIndex_];
  Entry entry;
  entry.kind = EntryKind::Value;
  entry.root = section.root;
  entry.keyPath = section.keyPath;
  entry.subKey = section.subKey;
  entry.line = static_cast<int>(line_) + 1;
  entry.valueName = Narrow(name);
  ReadValueData(TrimBlanks(afterName.substr(1)), entry, text.front() == '@' ? "@" : Quoted(name));
  entries_.push_back(std::move(entry));
}

// What follows "=": the value's kind and bytes, or "-" for a deletion.
void RegFileParser::ReadValueData(std::string_view data, Entry& entry, const std::string& shownName) {
  if (data.empty()) {
    Fail("no data for the value " + shownName);
  } else if (data == "-") {
    entry.kind = EntryKind::DeleteValue;
  } else if (data.front() == '"') {
    size_t dataPos = 0;
    const std::string value = Narrow(ReadQuoted(data, dataPos, "a string"));
    if (dataPos != data.size()) Fail("text after the closing quote of the value " + shownName);
    entry.type = REG_SZ;
    entry.data.assign(value.begin(), value.end());
    entry.data.push_back(0);
  } else if (StartsWithAsciiNoCase(data, "dword:")) {
    uint32_t number = 0;
    if (!ParseHex32(data.substr(6), number)) Fail("dword: takes 1 to 8 hexadecimal digits");
    entry.type = REG_DWORD;
    entry.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number >> 16),
                  static_cast<uint8_t>(number >> 24)};
  } else if (StartsWithAsciiNoCase(data, "hex:") || StartsWithAsciiNoCase(data, "hex(")) {
    ReadHexValue(data, entry, shownName);
  } else {
    Fail("unknown data for the value " + shownName + " (expected \"text\", dword:, hex:, hex(N): or -)");
  }
}

void RegFileParser::ReadHexValue(std::string_view data, Entry& entry, const std::string& shownName) {
  size_t pos = 0;
  if (StartsWithAsciiNoCase(data, "hex:")) {
    entry.type = REG_BINARY;
    pos = 4;
  } else {
    const size_t close = data.find(')');
    uint32_t type = 0;
    if (close == std::string_view::npos || close + 1 >= data.size() || data[close + 1] != ':' ||
        !ParseHex32(data.substr(4, close - 4), type)) {
      Fail("hex(N): needs a type of 1 to 8 hexadecimal digits, as in hex(2):");
    }
    entry.type = type;
    pos = close + 2;
  }
  std::vector<uint8_t> bytes = ReadByteList(JoinContinuedLines(data.substr(pos), shownName), shownName);
  // A version 5 file holds the string types as UTF-16LE.
  const bool stringType = entry.type == REG_SZ || entry.type == REG_EXPAND_SZ || entry.type == REG_MULTI_SZ;
  entry.data = version5_ && stringType ? NarrowStringBytes(bytes, shownName) : std::move(bytes);
}

// A line that ends with "\" goes on in the next one.
std::string RegFileParser::JoinContinuedLines(std::string_view first, const std::string& shownName) {
  std::string list(first);
  while (!list.empty() && list.back() == '\\') {
    list.pop_back();
    if (line_ + 1 >= lines_.size()) Fail("the data of the value " + shownName + " goes on past the end of the file");
    ++line_;
    list += TrimBlanks(lines_[line_]);
  }
  return list;
}

// "00,0a,ff": bytes of one or two hex digits; a comma may end the list.
std::vector<uint8_t> RegFileParser::ReadByteList(std::string_view list, const std::string& shownName) const {
  std::vector<uint8_t> bytes;
  std::string_view rest = TrimBlanks(list);
  const bool endsWithComma = !rest.empty() && rest.back() == ',';
  if (endsWithComma) rest.remove_suffix(1);
  if (rest.empty() && !endsWithComma) return bytes;
  while (true) {
    const size_t comma = rest.find(',');
    const std::string_view token = TrimBlanks(rest.substr(0, comma));
    if (token.empty()) Fail("an empty byte in the data of the value " + shownName);
    uint32_t byte = 0;
    if (token.size() > 2 || !ParseHex32(token, byte)) {
      Fail(Quoted(std::string(token)) + " is not a byte in hexadecimal (the value " + shownName + ")");
    }
    bytes.push_back(static_cast<uint8_t>(byte));
    if (comma == std::string_view::npos) return bytes;
    rest.remove_prefix(comma + 1);
  }
}

std::vector<uint8_t> RegFileParser::NarrowStringBytes(const std::vector<uint8_t>& utf16,
                                                      const std::string& shownName) const {
  if (utf16.size() % 2 != 0) Fail("the text of the value " + shownName + " is not UTF-16 (an odd number of bytes)");
  std::string narrow;
  if (!NarrowFromUtf16(Utf16FromLittleEndian(utf16.data(), utf16.size()), narrow)) {
    Fail("the text of the value " + shownName + " is not valid UTF-16 or the ANSI code page cannot hold it");
  }
  return std::vector<uint8_t>(narrow.begin(), narrow.end());
}
