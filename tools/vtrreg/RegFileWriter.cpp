#include "tools/vtrreg/RegFileWriter.h"

#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#include "platform/Hex.h"
#include "platform/RegKey.h"
#include "platform/RegPath.h"
#include "platform/RegRoot.h"
#include "platform/Strings.h"
#include "tools/vtrreg/RegEnum.h"
#include "tools/vtrreg/RegFile.h"
#include "tools/vtrreg/VtrRegError.h"

namespace {

using VtrRegError::RegistryFailure;

constexpr const char* kNewLine = "\r\n";
// The registry editor wraps a hex list once a line has reached this width.
constexpr size_t kHexLineWidth = 77;

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

// "hex:" or "hex(N):" and the bytes, continued on indented lines.
void AppendHexList(std::string& line, DWORD type, const std::vector<uint8_t>& data) {
  if (type == REG_BINARY) {
    line += "hex:";
  } else {
    line += "hex(";
    AppendHex(line, type, 1, true);
    line += "):";
  }
  size_t column = line.size();  // `line` is the value's line from its start
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

// One key's section: its path line and its values.
void ExportSection(HKEY key, const std::string& path, std::string& out) {
  out += '[';
  out += path;
  out += ']';
  out += kNewLine;
  std::vector<RawValue> values;
  LONG result = EnumValues(key, values);
  if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, "[" + path + "]", "RegEnumValueA", result);
  for (const RawValue& value : values) out += RegFileWriter::FormatValue(value.name, value.type, value.data);
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
    const LONG result = child.Open(parent, name, RegKey::ReadAccess);
    if (result == ERROR_FILE_NOT_FOUND) continue;  // removed meanwhile
    if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, "[" + current + "]", "RegOpenKeyExA", result);
    Level next = enter(child.Handle());
    next.key = std::move(child);
    levels.push_back(std::move(next));
  }
}

// Opens the key at `path` from its root down, name by name, and gives its
// full path in the registry's own spelling of every name.
RegKey OpenAsSpelled(const KeyPath& path, std::string& spelledPath) {
  spelledPath = UCaseAscii(path.rootName);
  RegKey key;
  LONG result = key.Open(path.root, "", RegKey::ReadAccess);
  if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, "[" + spelledPath + "]", "RegOpenKeyExA", result);
  std::vector<std::string_view> wantedNames = SplitNames(path.subKey);
  // One backslash more at the end names no key.
  if (!wantedNames.empty() && wantedNames.back().empty()) wantedNames.pop_back();
  for (const std::string_view wanted : wantedNames) {
    std::vector<std::string> names;
    result = EnumSubKeys(key.Handle(), names);
    if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, "[" + spelledPath + "]", "RegEnumKeyExA", result);
    std::string found;
    for (const std::string& name : names) {
      if (EqualsAsciiNoCase(name, wanted)) {
        found = name;
        break;
      }
    }
    const std::string where = "[" + spelledPath + "\\" + std::string(wanted) + "]";
    if (found.empty()) RegistryFailure(VtrRegError::ExportSource, where, "RegOpenKeyExA", ERROR_FILE_NOT_FOUND);
    RegKey child;
    result = child.Open(key.Handle(), found, RegKey::ReadAccess);
    if (result != ERROR_SUCCESS) RegistryFailure(VtrRegError::ExportSource, where, "RegOpenKeyExA", result);
    key = std::move(child);
    spelledPath += "\\" + found;
  }
  return key;
}

}  // namespace

namespace RegFileWriter {

std::string Export(const std::string& path) {
  const std::optional<KeyPath> keyPath = ResolveKeyPath(path);
  if (!keyPath) {
    throw VtrRegError::Make(VtrRegError::Usage, VtrRegError::ExportSource,
                            "not a key below one of the roots: " + VtrRegError::Quoted(path));
  }
  std::string spelledPath;
  const RegKey key = OpenAsSpelled(*keyPath, spelledPath);
  std::string out = RegFile::HeaderVersion4;
  out += kNewLine;
  out += kNewLine;
  ExportKey(key.Handle(), spelledPath, out);
  return out;
}

std::string FormatValue(const std::string& name, DWORD type, const std::vector<uint8_t>& stored) {
  // Text stored without its final zero is written with it: the zero is
  // what the registry reads back and what an import of either form stores.
  std::vector<uint8_t> data = stored;
  const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
  if (text && !data.empty() && data.back() != 0) data.push_back(0);
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
    AppendHexList(line, type, data);
  }
  line += kNewLine;
  return line;
}

void SaveText(const std::string& file, const std::string& text) {
  const std::string temporary = file + ".tmp";
  {
    std::ofstream stream(temporary, std::ios::binary | std::ios::trunc);
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    stream.close();
    if (!stream) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw VtrRegError::Make(VtrRegError::FileWrite, VtrRegError::ExportSource, "cannot write \"" + file + "\"");
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, file, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw VtrRegError::Make(VtrRegError::FileWrite, VtrRegError::ExportSource,
                            "cannot write \"" + file + "\": " + error.message());
  }
}

}  // namespace RegFileWriter
