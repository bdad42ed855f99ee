#include "tools/vtrreg/RegFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "platform/modHex.h"
#include "platform/modRegPath.h"
#include "platform/modRegValue.h"
#include "platform/modStrings.h"
#include "registry/clsEasyRegistry.h"
#include "tools/vtrreg/VtrRegError.h"
#include "tools/vtrreg/RegKey.h"

namespace {

using Entry = RegFile::Entry;
using EntryKind = RegFile::EntryKind;

constexpr const char* kNewLine = "\r\n";
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
// Windows keeps keys at most 512 levels deep.
constexpr size_t kMaxKeyDepth = 512;
// The registry editor wraps a hex list once a line has reached this width.
constexpr size_t kHexLineWidth = 77;
constexpr REGSAM kReadAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

// A path in the registry class's syntax, blanks around it and one
// backslash at either end left out, split at its root.
RegPathParts SplitKeyPath(std::string_view path) {
  path = TrimBlanksRight(TrimBlanksLeft(path));
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return SplitRootPath(path);
}

// The roots a path may begin with, as the registry class names them, in
// any letter case.
HKEY FindRoot(std::string_view name) { return clsEasyRegistry::RootKey(UCaseAscii(std::string(name))); }

// ---- text conversion -------------------------------------------------------
// A version 5 file is UTF-16LE; the registry functions take the narrow (ANSI)
// code page: Windows' own on Windows, UTF-8 elsewhere. Text that the narrow
// code page cannot hold is refused rather than replaced by "?".

void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// False on a surrogate without its partner, whose index goes to *badIndex.
bool Utf16ToUtf8(const std::u16string& text, std::string& out, size_t* badIndex = nullptr) {
  out.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t code = text[i];
    const bool high = code >= 0xD800 && code <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      if (badIndex != nullptr) *badIndex = i;
      return false;
    }
    AppendUtf8(out, code);
  }
  return true;
}

#ifdef _WIN32
// Only ever given what Utf16ToUtf8 made, so the input is well-formed.
std::u16string Utf8ToUtf16(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    char32_t code = length == 1 ? lead : length == 2 ? (lead & 0x1F) : length == 3 ? (lead & 0x0F) : (lead & 0x07);
    for (size_t k = 1; k < length && i + k < text.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    i += length;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (code >> 10));
      out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}
#endif

bool NarrowFromUtf16(const std::u16string& text, std::string& narrow) {
#ifdef _WIN32
  narrow.clear();
  if (text.empty()) return true;
  const UINT codePage = GetACP();
  // The UTF-8 code page takes neither the flag nor the default-character test.
  const DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  LPBOOL usedDefaultOut = codePage == CP_UTF8 ? nullptr : &usedDefault;
  const auto* wide = reinterpret_cast<LPCWCH>(text.data());
  const int units = static_cast<int>(text.size());
  const int size = WideCharToMultiByte(codePage, flags, wide, units, nullptr, 0, nullptr, usedDefaultOut);
  if (size <= 0 || usedDefault) return false;
  narrow.resize(static_cast<size_t>(size));
  WideCharToMultiByte(codePage, flags, wide, units, narrow.data(), size, nullptr, usedDefaultOut);
  return !usedDefault;
#else
  return Utf16ToUtf8(text, narrow);
#endif
}

// Text of a version 5 file, held as UTF-8 while it is parsed, in the
// narrow code page.
bool NarrowFromUtf8(const std::string& text, std::string& narrow) {
#ifdef _WIN32
  return NarrowFromUtf16(Utf8ToUtf16(text), narrow);
#else
  narrow = text;
  return true;
#endif
}

// ---- reading ---------------------------------------------------------------

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

class Parser {
 public:
  Parser(std::string file, std::vector<std::string> lines, bool unicodeText)
      : file_(std::move(file)), lines_(std::move(lines)), unicodeText_(unicodeText) {}

  bool Version5() const { return version5_; }

  std::vector<Entry> Run() {
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

  [[noreturn]] void Fail(const std::string& what) const { FailAt(static_cast<int>(line_) + 1, what); }

  [[noreturn]] void FailAt(int line, const std::string& what) const {
    throw VtrRegError::Make(VtrRegError::RegSyntax, VtrRegError::ImportSource,
                            file_ + ", line " + std::to_string(line) + ": " + what);
  }

 private:
  void ReadHeader() {
    line_ = 0;
    const std::string_view header = lines_.empty() ? std::string_view() : TrimBlanksRight(lines_[0]);
    if (header == RegFile::HeaderVersion4) {
      version5_ = false;
    } else if (header == RegFile::HeaderVersion5) {
      version5_ = true;
    } else {
      Fail(std::string("not a registry file: the first line must be \"") + RegFile::HeaderVersion4 +
           "\" or \"" + RegFile::HeaderVersion5 + "\"");
    }
  }

  std::string Narrow(const std::string& text) const {
    if (!unicodeText_) return text;
    std::string narrow;
    if (!NarrowFromUtf8(text, narrow)) Fail("text that the ANSI code page cannot hold: " + Quoted(text));
    return narrow;
  }

  void ReadKeyLine(std::string_view text) {
    text = TrimBlanksRight(text);
    if (text.size() < 2 || text.back() != ']') Fail("a key line must end with \"]\"");
    std::string_view path = text.substr(1, text.size() - 2);
    const bool deletion = !path.empty() && path.front() == '-';
    if (deletion) path.remove_prefix(1);

    // A section begins with its root's name: "[\\HKEY_...]" names none.
    const RegPathParts parts = SplitRootPath(path);
    const std::string_view rootText = !path.empty() && path.front() == '\\' ? std::string_view() : parts.root;
    const HKEY root = FindRoot(rootText);
    if (root == nullptr) Fail("unknown root key " + Quoted(std::string(rootText)));
    if (path.find('\0') != std::string_view::npos) Fail("a key name holding a zero byte");
    const std::string subKey(parts.subKey);
    std::vector<std::string_view> names = SplitNames(parts.subKey);
    // "[HKEY_...\\]": a backslash after the root, and an empty name after it.
    if (names.empty() && path.size() > rootText.size()) names.emplace_back();
    if (names.size() > kMaxKeyDepth) {
      Fail("a key more than " + std::to_string(kMaxKeyDepth) + " levels below its root (the registry's limit)");
    }
    for (const std::string_view name : names) {
      if (name.empty()) Fail("an empty key name in " + Quoted(std::string(path)));
      if (name.size() > kMaxKeyNameLength) {
        Fail("a key name longer than " + std::to_string(kMaxKeyNameLength) + " characters");
      }
    }
    if (deletion && subKey.empty()) Fail("a root key cannot be deleted");

    Entry entry;
    entry.kind = deletion ? EntryKind::DeleteKey : EntryKind::Key;
    entry.line = static_cast<int>(line_) + 1;
    entry.root = root;
    entry.keyPath = UCaseAscii(std::string(rootText)) + (subKey.empty() ? "" : "\\" + subKey);
    entry.subKey = Narrow(subKey);
    sectionIndex_ = entries_.size();
    entries_.push_back(std::move(entry));
    section_ = deletion ? Section::Deleted : Section::Key;
  }

  // A quoted text with \\ and \" escapes, from the opening quote at pos;
  // pos ends after the closing quote.
  std::string ReadQuoted(std::string_view text, size_t& pos, const char* what) const {
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

  void ReadValueLine(std::string_view text) {
    const int valueLine = static_cast<int>(line_) + 1;
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
    const std::string_view data = TrimBlanksRight(TrimBlanksLeft(afterName.substr(1)));
    const std::string shownName = name.empty() && text.front() == '@' ? "@" : Quoted(name);

    Entry entry;
    entry.kind = EntryKind::Value;
    entry.root = entries_[sectionIndex_].root;
    entry.keyPath = entries_[sectionIndex_].keyPath;
    entry.subKey = entries_[sectionIndex_].subKey;
    entry.line = valueLine;
    entry.valueName = Narrow(name);

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
      entry.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                       static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    } else if (StartsWithAsciiNoCase(data, "hex:") || StartsWithAsciiNoCase(data, "hex(")) {
      ReadHexValue(data, entry, shownName);
    } else {
      Fail("unknown data for the value " + shownName + " (expected \"text\", dword:, hex:, hex(N): or -)");
    }
    entries_.push_back(std::move(entry));
  }

  void ReadHexValue(std::string_view data, Entry& entry, const std::string& shownName) {
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

    // A line that ends with "\" goes on in the next one.
    std::string list(data.substr(pos));
    while (!list.empty() && list.back() == '\\') {
      list.pop_back();
      if (line_ + 1 >= lines_.size()) Fail("the data of the value " + shownName + " goes on past the end of the file");
      ++line_;
      list += TrimBlanksRight(TrimBlanksLeft(lines_[line_]));
    }

    std::vector<uint8_t> bytes;
    std::string_view rest = TrimBlanksRight(TrimBlanksLeft(list));
    const bool endsWithComma = !rest.empty() && rest.back() == ',';
    if (endsWithComma) rest.remove_suffix(1);  // a comma may end the list
    if (!rest.empty() || endsWithComma) {
      while (true) {
        const size_t comma = rest.find(',');
        const std::string_view token = TrimBlanksRight(TrimBlanksLeft(rest.substr(0, comma)));
        if (token.empty()) Fail("an empty byte in the data of the value " + shownName);
        uint32_t byte = 0;
        if (token.size() > 2 || !ParseHex32(token, byte)) {
          Fail("\"" + std::string(token) + "\" is not a byte in hexadecimal (the value " + shownName + ")");
        }
        bytes.push_back(static_cast<uint8_t>(byte));
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
      }
    }

    // A version 5 file holds the string types as UTF-16LE.
    const bool stringType =
        entry.type == REG_SZ || entry.type == REG_EXPAND_SZ || entry.type == REG_MULTI_SZ;
    if (version5_ && stringType) {
      if (bytes.size() % 2 != 0) Fail("the text of the value " + shownName + " is not UTF-16 (an odd number of bytes)");
      std::u16string wide;
      for (size_t i = 0; i < bytes.size(); i += 2) wide += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
      std::string narrow;
      if (!NarrowFromUtf16(wide, narrow)) {
        Fail("the text of the value " + shownName + " is not valid UTF-16 or the ANSI code page cannot hold it");
      }
      bytes.assign(narrow.begin(), narrow.end());
    }
    entry.data = std::move(bytes);
  }

  enum class Section { None, Key, Deleted };

  std::string file_;
  std::vector<std::string> lines_;
  bool unicodeText_;
  bool version5_ = false;
  size_t line_ = 0;
  Section section_ = Section::None;
  size_t sectionIndex_ = 0;  // the entry of the current section's key line
  std::vector<Entry> entries_;
};

// The file's lines, as UTF-8 when the file is UTF-16LE.
std::vector<std::string> SplitLines(const std::string& bytes, bool& unicodeText, const std::string& file) {
  std::string text;
  unicodeText = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                static_cast<unsigned char>(bytes[1]) == 0xFE;
  if (unicodeText) {
    if (bytes.size() % 2 != 0) {
      size_t line = 1;
      for (size_t i = 2; i + 1 < bytes.size(); i += 2) line += bytes[i] == '\n' && bytes[i + 1] == '\0';
      throw VtrRegError::Make(VtrRegError::RegSyntax, VtrRegError::ImportSource,
                              file + ", line " + std::to_string(line) +
                                  ": not UTF-16 text: the file ends with half a character (an odd number of bytes)");
    }
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      wide += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    size_t badIndex = 0;
    if (!Utf16ToUtf8(wide, text, &badIndex)) {
      const auto line = 1 + std::count(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(badIndex), u'\n');
      throw VtrRegError::Make(VtrRegError::RegSyntax, VtrRegError::ImportSource,
                              file + ", line " + std::to_string(line) + ": not valid UTF-16 text");
    }
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

// ---- registry access -------------------------------------------------------

const char* WindowsErrorName(LONG code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND: return "ERROR_FILE_NOT_FOUND";
    case ERROR_ACCESS_DENIED: return "ERROR_ACCESS_DENIED";
    case ERROR_INVALID_HANDLE: return "ERROR_INVALID_HANDLE";
    case ERROR_OUTOFMEMORY: return "ERROR_OUTOFMEMORY";
    case ERROR_INVALID_PARAMETER: return "ERROR_INVALID_PARAMETER";
    case ERROR_BAD_PATHNAME: return "ERROR_BAD_PATHNAME";
    case ERROR_MORE_DATA: return "ERROR_MORE_DATA";
    case ERROR_BADDB: return "ERROR_BADDB";
    case ERROR_BADKEY: return "ERROR_BADKEY";
    case ERROR_CANTOPEN: return "ERROR_CANTOPEN";
    case ERROR_CANTREAD: return "ERROR_CANTREAD";
    case ERROR_CANTWRITE: return "ERROR_CANTWRITE";
    case ERROR_KEY_DELETED: return "ERROR_KEY_DELETED";
    default: return "";
  }
}

[[noreturn]] void RegistryFailure(const char* source, const std::string& where, const char* call, LONG code) {
  std::string name = WindowsErrorName(code);
  throw VtrRegError::Make(VtrRegError::RegistryCall, source,
                          where + ": " + call + " failed with code " + std::to_string(code) +
                              (name.empty() ? "" : " (" + name + ")"));
}

// Subkey names in the registry's order and spelling.
LONG EnumSubKeys(HKEY key, std::vector<std::string>& names) {
  names.clear();
  std::vector<char> name(256 + 1);
  for (DWORD index = 0;;) {
    DWORD length = static_cast<DWORD>(name.size());
    const LONG result = RegEnumKeyExA(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (result == ERROR_MORE_DATA && name.size() < 65536) {
      name.resize(name.size() * 2);
      continue;
    }
    if (result != ERROR_SUCCESS) return result;
    names.emplace_back(name.data(), length);
    ++index;
  }
}

struct RawValue {
  std::string name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

// Every value of a key with its type and all its bytes, in the registry's order.
LONG EnumValues(HKEY key, std::vector<RawValue>& values) {
  values.clear();
  DWORD maxName = 0, maxData = 0;
  LONG result = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName,
                                 &maxData, nullptr, nullptr);
  if (result != ERROR_SUCCESS) return result;
  // Windows counts the longest name in UTF-16 units; its ANSI form may take
  // up to two bytes a unit.
  std::vector<char> name(std::max<size_t>(256, 2 * static_cast<size_t>(maxName) + 2));
  std::vector<uint8_t> data(std::max<size_t>(1, maxData));
  for (DWORD index = 0;;) {
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD dataLength = static_cast<DWORD>(data.size());
    DWORD type = REG_NONE;
    result = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &dataLength);
    if (result == ERROR_NO_MORE_ITEMS) return ERROR_SUCCESS;
    if (result == ERROR_MORE_DATA) {
      // Grown meanwhile: make room and ask for the same index again.
      if (name.size() >= 65536 && dataLength <= data.size()) return result;
      if (name.size() < 65536) name.resize(name.size() * 2);
      data.resize(std::max<size_t>(data.size() * 2, dataLength));
      continue;
    }
    if (result != ERROR_SUCCESS) return result;
    values.push_back({std::string(name.data(), nameLength), type,
                      std::vector<uint8_t>(data.begin(), data.begin() + std::min<size_t>(dataLength, data.size()))});
    ++index;
  }
}

std::string Escaped(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// A REG_SZ that the quoted form gives back byte for byte: one final zero
// byte, and no zero byte or line break before it.
bool FitsQuotedForm(const std::vector<uint8_t>& data) {
  if (data.empty() || data.back() != 0) return false;
  for (size_t i = 0; i + 1 < data.size(); ++i) {
    if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
  }
  return true;
}

// One key's section: its path line and its values.
void ExportSection(HKEY key, const std::string& path, std::string& out) {
  out += '[';
  out += path;
  out += ']';
  out += kNewLine;
  std::vector<RawValue> values;
  LONG result = EnumValues(key, values);
  if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, "[" + path + "]", "RegEnumValueA", result);
  for (const RawValue& value : values) out += RegFile::FormatValue(value.name, value.type, value.data);
  out += kNewLine;
}

// The key and every key below it, each before its subkeys, in the
// registry's order. The walk keeps its own stack rather than the call
// stack's, however deep the tree: each level holds its open key (children
// are opened by name from it) and its subkeys' names.
void ExportKey(HKEY key, const std::string& path, std::string& out) {
  struct Level {
    RegKey key;
    std::vector<std::string> names;
    size_t next = 0;
    size_t pathLength = 0;  // of the current path at this level
  };
  std::string current = path;
  std::vector<Level> levels;
  const auto enter = [&](HKEY handle) {
    ExportSection(handle, current, out);
    Level level;
    const LONG listed = EnumSubKeys(handle, level.names);
    if (listed != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, "[" + current + "]", "RegEnumKeyExA", listed);
    level.pathLength = current.size();
    return level;
  };
  levels.push_back(enter(key));
  while (!levels.empty()) {
    Level& level = levels.back();
    if (level.next == level.names.size()) {
      levels.pop_back();
      continue;
    }
    const std::string& name = level.names[level.next++];
    const HKEY parent = levels.size() == 1 ? key : level.key.Handle();
    current.resize(level.pathLength);
    current += '\\';
    current += name;
    RegKey child;
    const LONG result = child.Open(parent, name, kReadAccess);
    if (result == ERROR_FILE_NOT_FOUND) continue;  // removed meanwhile
    if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, "[" + current + "]", "RegOpenKeyExA", result);
    Level next = enter(child.Handle());
    next.key = std::move(child);
    levels.push_back(std::move(next));
  }
}

// Deletes every key below an open key, deepest first, with a stack of its
// own: each level holds its open key and the name its parent knows it by.
LONG DeleteBelow(HKEY top) {
  struct Level {
    RegKey key;
    std::string name;
  };
  std::vector<Level> levels;
  std::vector<char> name(256 + 1);
  while (true) {
    const HKEY current = levels.empty() ? top : levels.back().key.Handle();
    DWORD length = static_cast<DWORD>(name.size());
    LONG result = RegEnumKeyExA(current, 0, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (result == ERROR_MORE_DATA && name.size() < 65536) {
      name.resize(name.size() * 2);
      continue;
    }
    if (result == ERROR_SUCCESS) {
      Level child{RegKey(), std::string(name.data(), length)};
      result = child.key.Open(current, child.name, kReadAccess);
      if (result != ERROR_SUCCESS) return result;
      levels.push_back(std::move(child));
      continue;
    }
    if (result != ERROR_NO_MORE_ITEMS) return result;
    if (levels.empty()) return ERROR_SUCCESS;
    // This key has no subkeys left: its parent deletes it.
    const std::string childName = std::move(levels.back().name);
    levels.pop_back();
    const HKEY parent = levels.empty() ? top : levels.back().key.Handle();
    result = RegDeleteKeyA(parent, childName.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return result;
  }
}

// Whether values can be written in a key, or, when it does not exist yet,
// whether its nearest existing parent lets keys be made.
LONG CheckWritable(HKEY root, std::string subKey) {
  RegKey key;
  LONG result = key.Open(root, subKey, KEY_SET_VALUE);
  while (result == ERROR_FILE_NOT_FOUND && !subKey.empty()) {
    subKey = std::string(ParentPath(subKey));
    result = key.Open(root, subKey, KEY_CREATE_SUB_KEY);
  }
  return result;
}

}  // namespace

RegFile RegFile::Parse(const std::string& bytes, const std::string& fileName) {
  bool unicodeText = false;
  std::vector<std::string> lines = SplitLines(bytes, unicodeText, fileName);
  Parser parser(fileName, std::move(lines), unicodeText);
  RegFile file;
  file.file_ = fileName;
  file.entries_ = parser.Run();
  file.version5_ = parser.Version5();
  return file;
}

RegFile RegFile::Load(const std::string& fileName) {
  const auto refuse = [&](const std::string& why) {
    return VtrRegError::Make(VtrRegError::FileRead, VtrRegError::ImportSource, "cannot read " + Quoted(fileName) + ": " + why);
  };
  // Only a file of a bounded size: a device or a pipe could be endless.
  std::error_code error;
  const auto status = std::filesystem::status(fileName, error);
  if (error) throw refuse(error.message());
  if (!std::filesystem::is_regular_file(status)) throw refuse("not a regular file");
  const auto size = std::filesystem::file_size(fileName, error);
  if (error) throw refuse(error.message());
  if (size > MaxFileSize) {
    throw refuse("larger than " + std::to_string(MaxFileSize / (1024 * 1024)) + " MiB, the most a .reg file may hold");
  }
  std::ifstream stream(fileName, std::ios::binary);
  if (!stream) {
    throw VtrRegError::Make(VtrRegError::FileRead, VtrRegError::ImportSource,
                            "cannot open " + Quoted(fileName) + ": " + std::strerror(errno));
  }
  // No more than the limit even if the file grows meanwhile.
  std::string bytes(static_cast<size_t>(size) + 1, '\0');
  stream.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (stream.bad()) throw refuse("a read failed");
  bytes.resize(static_cast<size_t>(stream.gcount()));
  if (bytes.size() > MaxFileSize) throw refuse("it grew while it was read");
  return Parse(bytes, fileName);
}

RegFile::ImportCounts RegFile::Import() const {
  // Before the first write: every key that the file writes to or deletes
  // must let it, so that the registry's access rules do not stop the file
  // half-way (as they would for a user without the right to HKEY_LOCAL_MACHINE).
  for (const Entry& entry : entries_) {
    const std::string where = file_ + ", line " + std::to_string(entry.line) + " [" + entry.keyPath +
                              "] (nothing was written)";
    if (entry.kind == EntryKind::Key) {
      const LONG result = CheckWritable(entry.root, entry.subKey);
      if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ImportSource, where, "RegOpenKeyExA", result);
    } else if (entry.kind == EntryKind::DeleteKey) {
      RegKey key;
      const LONG result = key.Open(entry.root, entry.subKey, DELETE | KEY_ENUMERATE_SUB_KEYS);
      if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        RegistryFailure(VtrRegError::ImportSource, where, "RegOpenKeyExA", result);
      }
    }
  }

  ImportCounts counts;
  RegKey key;
  size_t done = 0;
  for (const Entry& entry : entries_) {
    const std::string where = file_ + ", line " + std::to_string(entry.line) + " [" + entry.keyPath + "]" +
                              (done == 0 ? "" : " (" + std::to_string(done) + " entries before it were written)");
    LONG result = ERROR_SUCCESS;
    switch (entry.kind) {
      case EntryKind::Key:
        result = key.Create(entry.root, entry.subKey, KEY_SET_VALUE);
        if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ImportSource, where, "RegCreateKeyExA", result);
        ++counts.keys;
        break;
      case EntryKind::DeleteKey:
        key.Close();
        result = DeleteTree(entry.root, entry.subKey);
        if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ImportSource, where, "RegDeleteKeyA", result);
        ++counts.deletions;
        break;
      case EntryKind::Value:
        result = RegSetValueBytes(key.Handle(), entry.valueName.c_str(), entry.type, entry.data.data(),
                                  static_cast<DWORD>(entry.data.size()));
        if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ImportSource, where, "RegSetValueExA", result);
        ++counts.values;
        break;
      case EntryKind::DeleteValue:
        result = RegDeleteValueA(key.Handle(), entry.valueName.c_str());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
          RegistryFailure(VtrRegError::ImportSource, where, "RegDeleteValueA", result);
        }
        ++counts.deletions;
        break;
    }
    ++done;
  }
  return counts;
}

bool RegFile::SplitPath(const std::string& path, HKEY& root, std::string& subKey) {
  const RegPathParts parts = SplitKeyPath(path);
  root = FindRoot(parts.root);
  if (root == nullptr) return false;
  subKey = std::string(parts.subKey);
  return true;
}

std::string RegFile::Export(const std::string& path) {
  HKEY root = nullptr;
  std::string subKey;
  if (!SplitPath(path, root, subKey)) {
    throw VtrRegError::Make(VtrRegError::Usage, VtrRegError::ExportSource,
                            "not a key below one of the roots: " + Quoted(path));
  }
  // Walk down from the root to find the registry's spelling of each name.
  std::string realPath = UCaseAscii(std::string(SplitKeyPath(path).root));
  RegKey key;
  LONG result = key.Open(root, "", kReadAccess);
  if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, "[" + realPath + "]", "RegOpenKeyExA", result);
  std::vector<std::string_view> wantedNames = SplitNames(subKey);
  // One backslash more at the end names no key.
  if (!wantedNames.empty() && wantedNames.back().empty()) wantedNames.pop_back();
  for (const std::string_view wanted : wantedNames) {
    std::vector<std::string> names;
    result = EnumSubKeys(key.Handle(), names);
    if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, "[" + realPath + "]", "RegEnumKeyExA", result);
    std::string found;
    for (const std::string& name : names) {
      if (EqualsAsciiNoCase(name, wanted)) {
        found = name;
        break;
      }
    }
    const std::string where = "[" + realPath + "\\" + std::string(wanted) + "]";
    if (found.empty()) RegistryFailure(VtrRegError::ExportSource, where, "RegOpenKeyExA", ERROR_FILE_NOT_FOUND);
    RegKey child;
    result = child.Open(key.Handle(), found, kReadAccess);
    if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, where, "RegOpenKeyExA", result);
    key = std::move(child);
    realPath += "\\" + found;
  }

  std::string out = HeaderVersion4;
  out += kNewLine;
  out += kNewLine;
  ExportKey(key.Handle(), realPath, out);
  return out;
}

std::string RegFile::FormatValue(const std::string& name, DWORD type, const std::vector<uint8_t>& data) {
  std::string line = "@=";
  if (!name.empty()) {
    line = "\"";
    line += Escaped(name);
    line += "\"=";
  }
  if (type == REG_SZ && FitsQuotedForm(data)) {
    line += '"';
    line += Escaped(std::string(data.begin(), data.end() - 1));
    line += '"';
  } else if (type == REG_DWORD && data.size() == 4) {
    const uint32_t number = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<uint32_t>(data[3]) << 24);
    line += "dword:";
    AppendHex(line, number, 8, true);
  } else {
    if (type == REG_BINARY) {
      line += "hex:";
    } else {
      line += "hex(";
      AppendHex(line, type, 1, true);
      line += "):";
    }
    size_t column = line.size();
    for (size_t i = 0; i < data.size(); ++i) {
      AppendHex(line, data[i], 2, true);
      if (i + 1 == data.size()) break;
      line += ',';
      column += 3;
      if (column >= kHexLineWidth) {
        line += "\\";
        line += kNewLine;
        line += "  ";
        column = 2;
      }
    }
  }
  line += kNewLine;
  return line;
}

LONG RegFile::DeleteTree(HKEY root, const std::string& subKey) {
  const LONG result = DeleteSubKeys(root, subKey);
  if (result != ERROR_SUCCESS) return result;
  const LONG deleted = RegDeleteKeyA(root, subKey.c_str());
  return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted;
}

LONG RegFile::DeleteSubKeys(HKEY root, const std::string& subKey) {
  RegKey key;
  const LONG result = key.Open(root, subKey, kReadAccess);
  if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (result != ERROR_SUCCESS) return result;
  return DeleteBelow(key.Handle());
}
