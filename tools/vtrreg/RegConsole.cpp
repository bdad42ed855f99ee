#include "tools/vtrreg/RegConsole.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/modHex.h"
#include "platform/modRegPath.h"
#include "platform/modStrings.h"
#include "tools/vtrreg/VtrRegError.h"
#include "tools/vtrreg/RegFile.h"
#include "tools/vtrreg/RegFileWriter.h"
#include "tools/vtrreg/RegTree.h"
#include "tools/vtrreg/RegKey.h"

namespace {

// The longest value name (in characters, before its zero) and data that
// DirValue's buffers take.
constexpr DWORD kListedNameLimit = 1024;
constexpr DWORD kListedDataLimit = 1024;

struct CommandInfo {
  const char* name;
  const char* synopsis;
  const char* summary;
};

const CommandInfo kCommands[] = {
    {"cd", "cd [PATH]", "move to the key PATH (to \"\\\", no current key, when PATH is left out)"},
    {"pwd", "pwd", "show the current key"},
    {"ls", "ls [PATH]", "list the subkeys of the current key (or of PATH)"},
    {"lv", "lv [PATH]", "list the values as a table: name, data, kind"},
    {"get", "get NAME", "show one value: its text, kind and bytes (\"\" names the default value)"},
    {"set", "set [-t KIND] NAME VALUE...",
     "write a value; KIND is string (the default), dword, binary or multistring"},
    {"mkdir", "mkdir PATH", "create a key, and every missing key on the way to it"},
    {"rmkey", "rmkey [-r] PATH", "delete a key that has no subkeys (-r: with everything below it)"},
    {"rm", "rm NAME", "delete a value of the current key"},
    {"export", "export [-o FILE] [PATH]",
     "write the current key (or PATH) and everything below it as REGEDIT4 text"},
    {"import", "import FILE", "apply a .reg file (REGEDIT4 or version 5.00); a faulty file changes nothing"},
    {"help", "help [COMMAND]", "show the commands"},
    {"exit", "exit", "leave vtrreg (also quit)"},
    {"quit", "quit", "leave vtrreg"},
};

const CommandInfo* FindCommand(const std::string& name) {
  for (const CommandInfo& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

[[noreturn]] void Usage(const std::string& command, const std::string& problem = "") {
  const CommandInfo* info = FindCommand(command);
  std::string text = problem.empty() ? std::string() : problem + "; ";
  text += "usage: ";
  text += info != nullptr ? info->synopsis : command.c_str();
  throw VtrRegError::Make(VtrRegError::Usage, VtrRegError::Source, text);
}


#ifndef _WIN32
// Length of the UTF-8 sequence at text[i], or 0 when the bytes there are
// not one (systems without Windows show narrow text as UTF-8).
size_t Utf8SequenceAt(const std::string& text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  }
  return length;
}
#endif

// Text for the terminal: a zero byte (the separator of a multistring) as
// \0, other control characters (and, natively, bytes that are not UTF-8)
// as \xHH.
std::string Display(const std::string& text) {
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    bool escape = byte < 0x20 || byte == 0x7F;
#ifndef _WIN32
    if (byte >= 0x80) {
      const size_t length = Utf8SequenceAt(text, i);
      if (length > 0) {
        shown.append(text, i, length);
        i += length - 1;
        continue;
      }
      escape = true;
    }
#endif
    if (byte == 0) {
      shown += "\\0";
    } else if (escape) {
      shown += "\\x";
      AppendHex(shown, byte, 2);
    } else {
      shown += text[i];
    }
  }
  return shown;
}

std::string KindName(int32_t kind) {
  switch (kind) {
    case ValueKind::String: return "String";
    case ValueKind::Binary: return "Binary";
    case ValueKind::DWord: return "DWord";
    case ValueKind::MultiString: return "MultiString";
    default: return "?";
  }
}

// DirValue's kind row: "0", "1", "2", or "" for a value without data.
std::string KindColumn(const std::string& code) {
  if (code.empty()) return std::string();
  int32_t kind = -1;
  std::from_chars(code.data(), code.data() + code.size(), kind);
  return code + " " + KindName(kind);
}

// The rows that DirValue left empty because the value's name or data does
// not fit its buffers: the name and kind from the registry itself, and the
// size in place of the data.
void ShowTooLongValues(const std::string& keyPath, clsEasyRegistry::ValueTable& table) {
  const std::optional<KeyPath> path = ResolveKeyPath(keyPath);
  RegKey key;
  if (!path || key.Open(path->root, path->subKey, KEY_QUERY_VALUE) != ERROR_SUCCESS) return;
  std::vector<char> name(32768);
  auto& names = table[clsEasyRegistry::RowName];
  for (size_t i = 0; i < names.size(); ++i) {
    if (!names[i].empty() || !table[clsEasyRegistry::RowKind][i].empty()) continue;
    DWORD nameLength = static_cast<DWORD>(name.size());
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegEnumValueA(key.Handle(), static_cast<DWORD>(i), name.data(), &nameLength, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
      continue;
    }
    if (nameLength < kListedNameLimit && size <= kListedDataLimit) continue;  // listed as it is
    names[i].assign(name.data(), nameLength);
    table[clsEasyRegistry::RowData][i] = "(" + std::to_string(size) + " bytes: use get)";
    table[clsEasyRegistry::RowKind][i] = type == REG_BINARY ? "1" : type == REG_DWORD ? "2" : "0";
  }
}

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

// Bytes in hexadecimal: "00 0A FF", "00,0a,ff" or "000aff".
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

Variant MakeValue(int32_t kind, const std::vector<std::string>& values) {
  switch (kind) {
    case ValueKind::String:
      if (values.size() != 1) Usage("set", "a string takes one VALUE (quote a text with blanks)");
      return Variant(values[0]);
    case ValueKind::DWord:
      if (values.size() != 1) Usage("set", "a dword takes one VALUE");
      return Variant(ParseNumber(values[0]));
    case ValueKind::Binary:
      return Variant(ByteArray(ParseBytes(values)));
    case ValueKind::MultiString: {
      // Each VALUE one string, each ended by a zero byte, and one more at the end.
      if (values.empty()) Usage("set", "a multistring takes one VALUE per string");
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

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string text;
  for (uint8_t byte : bytes) {
    if (!text.empty()) text += ' ';
    AppendHex(text, byte, 2);
  }
  return text;
}

// Columns a text takes on the terminal: one a byte in the ANSI code page,
// one a character in UTF-8, the narrow text of systems without Windows.
size_t DisplayWidth(const std::string& text) {
#ifdef _WIN32
  return text.size();
#else
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
#endif
}

std::string PadRight(const std::string& text, size_t width) {
  const size_t used = DisplayWidth(text);
  return used >= width ? text : text + std::string(width - used, ' ');
}

}  // namespace

std::vector<std::string> RegConsole::SplitWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else if (c == '"' || c == '\'') {
      inWord = true;
      for (++i;; ++i) {
        if (i >= line.size()) {
          throw VtrRegError::Make(VtrRegError::Usage, VtrRegError::Source,
                                  std::string("a quote (") + c + ") without its closing quote");
        }
        if (line[i] == c) {
          if (i + 1 < line.size() && line[i + 1] == c) {
            word += c;  // doubled: the quote itself
            ++i;
            continue;
          }
          break;
        }
        word += line[i];
      }
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

bool RegConsole::IsCommandName(const std::string& word) { return FindCommand(word) != nullptr; }

std::string RegConsole::CommandHelp() {
  std::string text = "Commands:\n";
  for (const CommandInfo& command : kCommands) {
    text += "  " + PadRight(command.synopsis, 28) + command.summary + "\n";
  }
  text +=
      "PATH is a registry path: \\HKEY_LOCAL_MACHINE\\Software\\Vantorel (from a root), Recent or A\\B\n"
      "(below the current key), .. (one key up) or \\ (no current key). Quote a word with blanks in\n"
      "\"double\" or 'single' quotes; a backslash is an ordinary character.\n";
  return text;
}

std::string RegConsole::Prompt() const {
  const std::string key = registry_.CurrentKey();
  std::string prompt = "vtrreg ";
  prompt += key.empty() ? std::string("\\") : key;
  prompt += "> ";
  return prompt;
}

bool RegConsole::Execute(const std::string& line, const std::string& context,
                            const std::vector<std::string>& extraWords) {
  const size_t first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos || line[first] == '#') return true;
  std::vector<std::string> words;
  try {
    words = SplitWords(line);
  } catch (const ErrObject& error) {
    ReportError(error, context);
    return false;
  }
  words.insert(words.end(), extraWords.begin(), extraWords.end());
  return ExecuteWords(words, context);
}

bool RegConsole::ExecuteWords(const std::vector<std::string>& words, const std::string& context) {
  if (words.empty()) return true;
  try {
    Run(words);
    return true;
  } catch (const ErrObject& error) {
    ReportError(error, context);
  } catch (const std::exception& error) {
    ReportError(VtrRegError::Make(VtrRegError::Base, VtrRegError::Source, error.what()), context);
  }
  return false;
}

std::string RegConsole::FormatError(const ErrObject& error, const std::string& context) {
  std::string number = std::to_string(error.Number) + " (0x";
  AppendHex(number, static_cast<uint32_t>(error.Number), 8);
  return "vtrreg: " + (context.empty() ? std::string() : context + ": ") + "error " + number + "), source \"" +
         error.Source + "\": " + error.Description;
}

void RegConsole::ReportError(const ErrObject& error, const std::string& context) {
  err_ << FormatError(error, context) << "\n";
  err_.flush();
}

void RegConsole::Run(const std::vector<std::string>& words) {
  const std::string& command = words[0];
  if (command == "cd") return CmdCd(words);
  if (command == "pwd") return CmdPwd(words);
  if (command == "ls") return CmdLs(words);
  if (command == "lv") return CmdLv(words);
  if (command == "get") return CmdGet(words);
  if (command == "set") return CmdSet(words);
  if (command == "mkdir") return CmdMkdir(words);
  if (command == "rmkey") return CmdRmkey(words);
  if (command == "rm") return CmdRm(words);
  if (command == "export") return CmdExport(words);
  if (command == "import") return CmdImport(words);
  if (command == "exit" || command == "quit") {
    quit_ = true;
    return;
  }
  if (command == "help") {
    const CommandInfo* info = words.size() > 1 ? FindCommand(words[1]) : nullptr;
    out_ << (info != nullptr ? std::string(info->synopsis) + "\n    " + info->summary + "\n" : CommandHelp());
    return;
  }
  throw VtrRegError::Make(VtrRegError::UnknownCommand, VtrRegError::Source,
                          "unknown command \"" + command + "\" (help lists the commands)");
}

void RegConsole::PositionAt(clsEasyRegistry& other, const std::string& path) {
  const std::string trimmed = Trim(path);
  const bool absolute = (!trimmed.empty() && trimmed[0] == '\\') || registry_.CurrentKey().empty();
  if (!absolute) other.Cd(registry_.CurrentKey());
  other.Cd(path);
}

void RegConsole::RequireCurrentKey(const std::string& command) const {
  if (registry_.CurrentKey().empty()) {
    throw VtrRegError::Make(VtrRegError::NoCurrentKey, VtrRegError::Source,
                            command + ": no current key (cd to a key first)");
  }
}

void RegConsole::CmdCd(const std::vector<std::string>& words) {
  if (words.size() > 2) Usage("cd");
  const std::string previous = registry_.CurrentKey();
  try {
    registry_.Cd(words.size() == 2 ? words[1] : "\\");
  } catch (const ErrObject&) {
    // A failed move leaves the console at the key where it was.
    registry_.SuppressErrors(true);
    try {
      registry_.Cd(previous.empty() ? "\\" : previous);
    } catch (const ErrObject&) {
    }
    registry_.SuppressErrors(false);
    throw;
  }
}

void RegConsole::CmdPwd(const std::vector<std::string>& words) {
  if (words.size() != 1) Usage("pwd");
  const std::string key = registry_.CurrentKey();
  out_ << (key.empty() ? "\\" : key) << "\n";
}

void RegConsole::CmdLs(const std::vector<std::string>& words) {
  if (words.size() > 2) Usage("ls");
  std::optional<std::vector<std::string>> names;
  if (words.size() == 2) {
    clsEasyRegistry other;
    PositionAt(other, words[1]);
    names = other.DirKey();
  } else {
    names = registry_.DirKey();
  }
  if (!names) return;  // no subkeys
  for (const std::string& name : *names) out_ << name << "\n";
}

void RegConsole::CmdLv(const std::vector<std::string>& words) {
  if (words.size() > 2) Usage("lv");
  clsEasyRegistry other;
  clsEasyRegistry* listed = &registry_;
  if (words.size() == 2) {
    PositionAt(other, words[1]);
    listed = &other;
  }
  std::optional<clsEasyRegistry::ValueTable> table;
  try {
    table = listed->DirValue();
  } catch (const ErrObject&) {
    if (listed->lastError() != ERROR_MORE_DATA) throw;
    // A value too long for the listing's buffers: the others are listed as
    // usual, and that one by its size.
    const bool suppressed = listed->SuppressErrors();
    listed->SuppressErrors(true);
    table = listed->DirValue();
    listed->SuppressErrors(suppressed);
    if (table) ShowTooLongValues(listed->CurrentKey(), *table);
  }
  if (!table) return;  // no values

  const auto& names = (*table)[clsEasyRegistry::RowName];
  std::vector<std::string> shownNames, shownData;
  size_t nameWidth = 4, dataWidth = 4;
  for (size_t i = 0; i < names.size(); ++i) {
    shownNames.push_back(names[i].empty() ? "(default)" : Display(names[i]));
    shownData.push_back(Display((*table)[clsEasyRegistry::RowData][i]));
    nameWidth = std::max(nameWidth, std::min<size_t>(DisplayWidth(shownNames.back()), 40));
    dataWidth = std::max(dataWidth, std::min<size_t>(DisplayWidth(shownData.back()), 50));
  }
  auto row = [&](const std::string& name, const std::string& data, const std::string& kind) {
    std::string line = PadRight(name, nameWidth) + "  " + PadRight(data, dataWidth) + "  " + kind;
    line.erase(line.find_last_not_of(' ') + 1);
    out_ << line << "\n";
  };
  row("Name", "Data", "Kind");
  for (size_t i = 0; i < names.size(); ++i) {
    row(shownNames[i], shownData[i], KindColumn((*table)[clsEasyRegistry::RowKind][i]));
  }
}

void RegConsole::CmdGet(const std::vector<std::string>& words) {
  if (words.size() != 2) Usage("get");
  RequireCurrentKey("get");
  int32_t kind = ValueKind::String;
  const RegistryValue value = registry_.ValueOf(words[1], kind);
  out_ << "Text:   " << Display(value.Text) << "\n";
  out_ << "Kind:   " << kind << " (" << KindName(kind) << ")\n";
  out_ << "Bytes:  " << (value.Bytes.empty() ? "(none)" : HexBytes(value.Bytes)) << "\n";
  if (kind == ValueKind::DWord) {
    char number[64];
    std::snprintf(number, sizeof number, "%.0f", value.Number);
    out_ << "Number: " << number << "\n";
  }
}

void RegConsole::CmdSet(const std::vector<std::string>& words) {
  RequireCurrentKey("set");
  std::string kindText = "string";
  size_t i = 1;
  while (i < words.size() && words[i].size() > 1 && words[i][0] == '-') {
    if (words[i] == "--") {
      ++i;
      break;
    }
    if (words[i] == "-t" || words[i] == "--type") {
      if (i + 1 >= words.size()) Usage("set", "-t needs a KIND");
      kindText = words[i + 1];
      i += 2;
    } else if (words[i].rfind("--type=", 0) == 0) {
      kindText = words[i].substr(7);
      ++i;
    } else {
      Usage("set", "unknown option " + words[i] + " (a NAME that starts with - goes after --)");
    }
  }
  if (i >= words.size()) Usage("set", "a NAME is missing");
  const std::string name = words[i++];
  int32_t kind = ParseKind(kindText);
  const Variant value = MakeValue(kind, std::vector<std::string>(words.begin() + static_cast<std::ptrdiff_t>(i), words.end()));
  registry_.ValueOf(name, kind, value);
}

void RegConsole::CmdMkdir(const std::vector<std::string>& words) {
  if (words.size() != 2) Usage("mkdir");
  const std::string path = Trim(words[1]);
  const bool absolute = (!path.empty() && path[0] == '\\') || registry_.CurrentKey().empty();
  if (!absolute) {
    registry_.MakeKey(words[1]);
    return;
  }
  // From the root: the registry class makes keys below a current key.
  const RegPathParts parts = SplitRootPath(path);
  if (parts.subKey.empty()) Usage("mkdir", "a root key cannot be made");
  clsEasyRegistry root;
  root.Cd("\\" + std::string(parts.root));
  root.MakeKey(std::string(parts.subKey));
}

void RegConsole::CmdRmkey(const std::vector<std::string>& words) {
  size_t i = 1;
  const bool recursive = i < words.size() && words[i] == "-r";
  if (recursive) ++i;
  if (words.size() != i + 1) Usage("rmkey");
  std::string target = words[i];
  if (target.size() > 1 && target.back() == '\\') target.pop_back();
  const std::string leaf(LeafName(target));
  const std::string parentPath(ParentPath(target));
  const std::string trimmed = Trim(target);
  const bool absolute = (!trimmed.empty() && trimmed[0] == '\\') || registry_.CurrentKey().empty();
  if (leaf.empty()) Usage("rmkey", "a key name is missing");

  clsEasyRegistry parent;
  if (absolute) {
    if (Trim(parentPath).empty()) Usage("rmkey", "a root key cannot be deleted");
    parent.Cd(parentPath);
  } else {
    parent.Cd(registry_.CurrentKey());
    if (!parentPath.empty()) parent.Cd(parentPath);
  }

  if (recursive) {
    // The keys below first, through the registry functions and with their
    // exact names; the key itself then through the registry class.
    const KeyPath parentKey = ResolveKeyPath(parent.CurrentKey()).value_or(KeyPath{});
    const std::string path = parentKey.subKey.empty() ? leaf : parentKey.subKey + "\\" + leaf;
    const LONG result = RegTree::DeleteSubKeys(parentKey.root, path);
    if (result != ERROR_SUCCESS) {
      throw VtrRegError::Make(VtrRegError::RegistryCall, VtrRegError::Source,
                              "rmkey -r: deleting the keys below " + parent.CurrentKey() + "\\" + leaf +
                                  " failed with code " + std::to_string(result));
    }
  }
  parent.DeleteKey(leaf);

  // Standing in the deleted key or below it: step out to its parent.
  const std::string deleted = parent.CurrentKey() + "\\" + UCaseAscii(leaf);
  const std::string current = registry_.CurrentKey();
  if (current == deleted || current.rfind(deleted + "\\", 0) == 0) {
    registry_.SuppressErrors(true);
    registry_.Cd(parent.CurrentKey());
    registry_.SuppressErrors(false);
  }
}

void RegConsole::CmdRm(const std::vector<std::string>& words) {
  if (words.size() != 2) Usage("rm");
  RequireCurrentKey("rm");
  registry_.DeleteValue(words[1]);
}

void RegConsole::CmdExport(const std::vector<std::string>& words) {
  std::string file, path;
  bool havePath = false;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "-o") {
      if (i + 1 >= words.size() || !file.empty()) Usage("export");
      file = words[++i];
    } else if (!havePath) {
      path = words[i];
      havePath = true;
    } else {
      Usage("export");
    }
  }
  clsEasyRegistry key;
  if (havePath) {
    PositionAt(key, path);
  } else {
    RequireCurrentKey("export");
    key.Cd(registry_.CurrentKey());
  }
  if (key.CurrentKey().empty()) Usage("export", "give a key, not \\");
  const std::string text = RegFileWriter::Export(key.CurrentKey());
  if (file.empty()) {
    out_ << text;
    out_.flush();
  } else {
    RegFileWriter::SaveText(file, text);
  }
}

void RegConsole::CmdImport(const std::vector<std::string>& words) {
  if (words.size() != 2) Usage("import");
  const RegFile file = RegFile::Load(words[1]);
  const RegFile::ImportCounts counts = file.Import();
  out_ << "imported " << words[1] << ": " << counts.keys << " keys, " << counts.values << " values, "
       << counts.deletions << " deletions\n";
}
