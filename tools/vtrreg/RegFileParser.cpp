#include "tools/vtrreg/RegFileParser.h"

#include <algorithm>
#include <optional>

#include "platform/Hex.h"
#include "platform/RegPath.h"
#include "platform/RegRoot.h"
#include "platform/Strings.h"
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

// The line (from 1) of the unit at `index`: lines end with CRLF, LF or CR.
size_t LineAt(const std::u16string& text, size_t index) {
  size_t line = 1;
  for (size_t i = 0; i < index && i < text.size(); ++i) {
    line += text[i] == u'\r' || (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'));
  }
  return line;
}

// The text of a UTF-16LE file (after its byte-order mark) as UTF-8.
std::string Utf8FromUtf16File(const std::string& bytes, const std::string& file) {
  const std::u16string wide = Utf16FromLittleEndian(reinterpret_cast<const uint8_t*>(bytes.data()) + 2, bytes.size() - 2);
  if (bytes.size() % 2 != 0) {
    SyntaxError(file, LineAt(wide, wide.size()),
                "not UTF-16 text: the file ends with half a character (an odd number of bytes)");
  }
  std::string text;
  size_t badIndex = 0;
  if (!Utf16ToUtf8(wide, text, &badIndex)) SyntaxError(file, LineAt(wide, badIndex), "not valid UTF-16 text");
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
  // Lines end with CRLF, LF or a CR alone, as the registry editor reads them.
  std::vector<std::string> lines;
  size_t start = 0;
  while (true) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

}  // namespace

RegFileParser::RegFileParser(std::string file, const std::string& bytes) : file_(std::move(file)) {
  lines_ = SplitLines(bytes, unicodeText_, file_);
}

std::vector<Entry> RegFileParser::Run() {
  ReadHeader();
  for (++line_; line_ < lines_.size(); ++line_) {
    if (IsCommentLine(lines_[line_])) continue;
    const std::string_view text = TrimBlanksLeft(lines_[line_]);
    if (text.front() == '[') {
      openList_.reset();
      ReadKeyLine(text);
    } else if (text.front() == '"' || text.front() == '@') {
      openList_.reset();
      ReadValueLine(text);
    } else if (openList_ && IsByteListLine(text)) {
      // The registry editor ended the value at the comma and reads this
      // line as no entry at all: its bytes are not part of the value.
      notes_.push_back(file_ + ", line " + std::to_string(line_ + 1) + ": skipped, as the registry editor skips it: " +
                       "bytes after the end of the value " + openList_->name + ", whose line " +
                       std::to_string(openList_->line) + " ends in a comma without \"\\\"");
    } else {
      Fail("neither a key line ([KEY] or [-KEY]) nor a value line (\"name\"=... or @=...)");
    }
  }
  return std::move(entries_);
}

// Bytes in hexadecimal separated by commas, as a continued hex list holds
// them, with a final comma, "\" or ";" comment or none.
bool RegFileParser::IsByteListLine(std::string_view text) {
  while (true) {
    const size_t end = std::min(text.find_first_of(", \t;\\"), text.size());
    uint32_t byte = 0;
    if (end == 0 || end > 2 || !ParseHex32(text.substr(0, end), byte)) return false;
    text = TrimBlanksLeft(text.substr(end));
    if (text.empty() || text.front() != ',') break;
    text = TrimBlanksLeft(text.substr(1));
    if (text.empty() || text.front() == ';' || text.front() == '\\') break;
  }
  if (!text.empty() && text.front() == '\\') text = TrimBlanksLeft(text.substr(1));
  return text.empty() || text.front() == ';';
}

// Blank lines and comments: ";" after any blanks, "#" as the line's first
// character. (An indented "#" line the registry editor ignores too, but
// inside a continued hex list it drops the value; see NextDataLine.)
bool RegFileParser::IsCommentLine(std::string_view line) {
  const std::string_view text = TrimBlanksLeft(line);
  return text.empty() || text.front() == ';' || text.front() == '#';
}

void RegFileParser::Fail(const std::string& what) const { SyntaxError(file_, line_ + 1, what); }

std::string RegFileParser::Narrow(const std::string& text) const {
  if (!unicodeText_) return text;
  std::string narrow;
  if (!NarrowFromUtf8(text, narrow)) Fail("text that the ANSI code page cannot hold: " + Quoted(text));
  return narrow;
}

// The header line may follow blank lines and be indented. (Wine's editor
// refuses blank lines before it; Windows' reads the file.)
void RegFileParser::ReadHeader() {
  line_ = 0;
  while (line_ + 1 < lines_.size() && TrimBlanksLeft(lines_[line_]).empty()) ++line_;
  const std::string_view header = lines_.empty() ? std::string_view() : TrimBlanksLeft(TrimBlanksRight(lines_[line_]));
  if (header == RegFile::HeaderVersion4) {
    version5_ = false;
  } else if (header == RegFile::HeaderVersion5) {
    version5_ = true;
  } else {
    Fail(std::string("not a registry file: the first line that is not blank must be \"") + RegFile::HeaderVersion4 +
         "\" or \"" + RegFile::HeaderVersion5 + "\"");
  }
}

void RegFileParser::ReadKeyLine(std::string_view text) {
  text = TrimBlanksRight(text);
  if (text.size() < 2 || text.back() != ']') Fail("a key line must end with \"]\"");
  std::string_view path = text.substr(1, text.size() - 2);
  const bool deletion = !path.empty() && path.front() == '-';
  if (deletion) path.remove_prefix(1);
  // "[HKEY_CURRENT_USER\Software\A\]" is the key A, as in the registry editor.
  while (path.size() > 1 && path.back() == '\\') path.remove_suffix(1);

  // A section begins with its root's name: "[\HKEY_...]" names none.
  const RegPathParts parts = SplitRootPath(path);
  const std::string_view rootName = !path.empty() && path.front() == '\\' ? std::string_view() : parts.root;
  const HKEY root = RootKeyNamed(rootName);
  if (root == nullptr) Fail("unknown root key " + Quoted(std::string(rootName)));
  CheckKeyNames(path, parts.subKey);
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
void RegFileParser::CheckKeyNames(std::string_view path, std::string_view subKey) const {
  if (path.find('\0') != std::string_view::npos) Fail("a key name holding a zero byte");
  const std::vector<std::string_view> names = SplitNames(subKey);
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

// After the data only blanks and a ";" comment may follow; a "#" there
// makes the registry editor drop the value.
void RegFileParser::CheckDataEnd(std::string_view rest, const std::string& shownName) const {
  rest = TrimBlanksLeft(rest);
  if (!rest.empty() && rest.front() != ';') {
    Fail("text after the data of the value " + shownName + ": " + Quoted(std::string(rest)));
  }
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
    CheckDataEnd(data.substr(dataPos), shownName);
    entry.type = REG_SZ;
    entry.data.assign(value.begin(), value.end());
    entry.data.push_back(0);
  } else if (StartsWithAsciiNoCase(data, "dword:")) {
    const std::string_view digits = TrimBlanksLeft(data.substr(6));
    const size_t end = std::min(digits.find_first_of(" \t;"), digits.size());
    uint32_t number = 0;
    if (!ParseHex32(digits.substr(0, end), number)) Fail("dword: takes 1 to 8 hexadecimal digits");
    CheckDataEnd(digits.substr(end), shownName);
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
  std::vector<uint8_t> bytes = ReadByteList(data.substr(pos), shownName);
  const bool stringType = entry.type == REG_SZ || entry.type == REG_EXPAND_SZ || entry.type == REG_MULTI_SZ;
  // Text given in hex without its final zero gets it, as the registry
  // editor adds it: one zero character. Empty data stays empty, as Wine's
  // editor leaves it.
  if (stringType && !bytes.empty()) {
    const size_t unit = version5_ ? 2 : 1;
    if (bytes.size() % unit == 0 &&
        std::any_of(bytes.end() - static_cast<std::ptrdiff_t>(unit), bytes.end(), [](uint8_t b) { return b != 0; })) {
      bytes.insert(bytes.end(), unit, 0);
    }
  }
  // A version 5 file holds the string types as UTF-16LE.
  entry.data = version5_ && stringType ? NarrowStringBytes(bytes, shownName) : std::move(bytes);
}

// The next line of a hex list continued with "\": blank lines and ";"
// comments are skipped; any other line must begin with a byte. A "#" line,
// indented or not, ends the value without it in the registry editor. Nothing
// at the end of the file: the list ends there.
std::optional<std::string_view> RegFileParser::NextDataLine(const std::string& shownName) {
  while (++line_ < lines_.size()) {
    const std::string_view text = TrimBlanksLeft(lines_[line_]);
    if (text.empty() || text.front() == ';') continue;
    if (text.front() == '#') {
      Fail("a \"#\" comment inside the continued data of the value " + shownName +
           " (the registry editor drops the value there)");
    }
    if (HexDigitValue(text.front()) < 0) {
      Fail("the data of the value " + shownName + " goes on in a line that does not begin with a byte");
    }
    return text;
  }
  return std::nullopt;
}

// "00,0a,ff": bytes of one or two hex digits, separated by commas. After a
// comma (or before the first byte) a "\" goes on in the next data line, and
// a ";" comment or the line's end ends the list.
std::vector<uint8_t> RegFileParser::ReadByteList(std::string_view rest, const std::string& shownName) {
  std::vector<uint8_t> bytes;
  while (true) {
    rest = TrimBlanksLeft(rest);
    if (rest.empty() || rest.front() == ';') return bytes;
    if (rest.front() == '\\') {
      CheckDataEnd(rest.substr(1), shownName);
      const std::optional<std::string_view> next = NextDataLine(shownName);
      if (!next) return bytes;
      rest = *next;
      continue;
    }
    if (rest.front() == ',') Fail("an empty byte in the data of the value " + shownName);
    const size_t end = std::min(rest.find_first_of(", \t;\\"), rest.size());
    const std::string_view token = rest.substr(0, end);
    uint32_t byte = 0;
    if (token.size() > 2 || !ParseHex32(token, byte)) {
      Fail(Quoted(std::string(token)) + " is not a byte in hexadecimal (the value " + shownName + ")");
    }
    bytes.push_back(static_cast<uint8_t>(byte));
    rest.remove_prefix(end);
    if (!rest.empty() && rest.front() == ',') {
      rest.remove_prefix(1);
      // A comma that ends the line (or comes before its comment) ends the
      // list: the registry editor goes on with the next line as a line of its own.
      const std::string_view after = TrimBlanksLeft(rest);
      if (after.empty() || after.front() == ';') openList_ = OpenList{shownName, line_ + 1};
    } else if (!TrimBlanksLeft(rest).empty() && TrimBlanksLeft(rest).front() == '\\') {
      Fail("a \"\\\" in the data of the value " + shownName + " must follow a comma");
    } else {
      CheckDataEnd(rest, shownName);
      return bytes;
    }
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
