#include "tools/vtrreg/RegConsole.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/Hex.h"
#include "platform/Printable.h"
#include "platform/RegKey.h"
#include "platform/RegPath.h"
#include "platform/RegRoot.h"
#include "platform/Strings.h"
#include "tools/vtrreg/CommandSyntax.h"
#include "tools/vtrreg/DisplayText.h"
#include "tools/vtrreg/RegFile.h"
#include "tools/vtrreg/RegFileWriter.h"
#include "tools/vtrreg/RegTree.h"
#include "tools/vtrreg/ValueInput.h"
#include "tools/vtrreg/VtrRegError.h"

namespace {

// The longest value name (in characters, before its zero) and data that
// DirValue's buffers take.
constexpr DWORD kListedNameLimit = 1024;
constexpr DWORD kListedDataLimit = 1024;

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

}  // namespace

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

bool RegConsole::IsAbsolute(const std::string& path) const {
  const std::string trimmed = Trim(path);
  return (!trimmed.empty() && trimmed[0] == '\\') || registry_.CurrentKey().empty();
}

void RegConsole::PositionAt(clsEasyRegistry& other, const std::string& path) {
  if (!IsAbsolute(path)) other.Cd(registry_.CurrentKey());
  other.Cd(path);
}

void RegConsole::RequireCurrentKey(const std::string& command) const {
  if (registry_.CurrentKey().empty()) {
    throw VtrRegError::Make(VtrRegError::NoCurrentKey, VtrRegError::Source,
                            command + ": no current key (cd to a key first)");
  }
}

void RegConsole::CmdCd(const std::vector<std::string>& words) {
  if (words.size() > 2) ThrowUsage("cd");
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
  if (words.size() != 1) ThrowUsage("pwd");
  const std::string key = registry_.CurrentKey();
  out_ << (key.empty() ? "\\" : key) << "\n";
}

void RegConsole::CmdLs(const std::vector<std::string>& words) {
  if (words.size() > 2) ThrowUsage("ls");
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
  if (words.size() > 2) ThrowUsage("lv");
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
  if (table) WriteValueTable(*table);  // nothing for a key without values
}

void RegConsole::WriteValueTable(const clsEasyRegistry::ValueTable& table) {
  const auto& names = table[clsEasyRegistry::RowName];
  std::vector<std::string> shownNames, shownData;
  size_t nameWidth = 4, dataWidth = 4;
  for (size_t i = 0; i < names.size(); ++i) {
    shownNames.push_back(names[i].empty() ? "(default)" : Printable(names[i]));
    shownData.push_back(Printable(table[clsEasyRegistry::RowData][i]));
    nameWidth = std::max(nameWidth, std::min<size_t>(DisplayWidth(shownNames.back()), 40));
    dataWidth = std::max(dataWidth, std::min<size_t>(DisplayWidth(shownData.back()), 50));
  }
  auto row = [&](const std::string& name, const std::string& data, const std::string& kind) {
    const std::string line = PadRight(name, nameWidth) + "  " + PadRight(data, dataWidth) + "  " + kind;
    out_ << TrimSpacesRight(line) << "\n";
  };
  row("Name", "Data", "Kind");
  for (size_t i = 0; i < names.size(); ++i) {
    row(shownNames[i], shownData[i], KindColumn(table[clsEasyRegistry::RowKind][i]));
  }
}

void RegConsole::CmdGet(const std::vector<std::string>& words) {
  if (words.size() != 2) ThrowUsage("get");
  RequireCurrentKey("get");
  int32_t kind = ValueKind::String;
  const RegistryValue value = registry_.ValueOf(words[1], kind);
  out_ << "Text:   " << Printable(value.Text) << "\n";
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
      if (i + 1 >= words.size()) ThrowUsage("set", "-t needs a KIND");
      kindText = words[i + 1];
      i += 2;
    } else if (words[i].rfind("--type=", 0) == 0) {
      kindText = words[i].substr(7);
      ++i;
    } else {
      ThrowUsage("set", "unknown option " + words[i] + " (a NAME that starts with - goes after --)");
    }
  }
  if (i >= words.size()) ThrowUsage("set", "a NAME is missing");
  const std::string name = words[i++];
  int32_t kind = ParseKind(kindText);
  const Variant value = MakeValue(kind, std::vector<std::string>(words.begin() + static_cast<std::ptrdiff_t>(i), words.end()));
  registry_.ValueOf(name, kind, value);
}

void RegConsole::CmdMkdir(const std::vector<std::string>& words) {
  if (words.size() != 2) ThrowUsage("mkdir");
  if (!IsAbsolute(words[1])) {
    registry_.MakeKey(words[1]);
    return;
  }
  // From the root: the registry class makes keys below a current key.
  const std::string path = Trim(words[1]);
  const RegPathParts parts = SplitRootPath(path);
  if (parts.subKey.empty()) ThrowUsage("mkdir", "a root key cannot be made");
  std::string rootPath = "\\";
  rootPath += parts.root;
  clsEasyRegistry root;
  root.Cd(rootPath);
  root.MakeKey(std::string(parts.subKey));
}

void RegConsole::CmdRmkey(const std::vector<std::string>& words) {
  size_t i = 1;
  const bool recursive = i < words.size() && words[i] == "-r";
  if (recursive) ++i;
  if (words.size() != i + 1) ThrowUsage("rmkey");
  std::string target = words[i];
  if (target.size() > 1 && target.back() == '\\') target.pop_back();
  const std::string leaf(LeafName(target));
  const std::string parentPath(ParentPath(target));
  if (leaf.empty()) ThrowUsage("rmkey", "a key name is missing");

  clsEasyRegistry parent;
  if (IsAbsolute(target)) {
    if (Trim(parentPath).empty()) ThrowUsage("rmkey", "a root key cannot be deleted");
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
  if (words.size() != 2) ThrowUsage("rm");
  RequireCurrentKey("rm");
  registry_.DeleteValue(words[1]);
}

void RegConsole::CmdExport(const std::vector<std::string>& words) {
  std::string file, path;
  bool havePath = false;
  for (size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "-o") {
      if (i + 1 >= words.size() || !file.empty()) ThrowUsage("export");
      file = words[++i];
    } else if (!havePath) {
      path = words[i];
      havePath = true;
    } else {
      ThrowUsage("export");
    }
  }
  clsEasyRegistry key;
  if (havePath) {
    PositionAt(key, path);
  } else {
    RequireCurrentKey("export");
    key.Cd(registry_.CurrentKey());
  }
  if (key.CurrentKey().empty()) ThrowUsage("export", "give a key, not \\");
  const std::string text = RegFileWriter::Export(key.CurrentKey());
  if (file.empty()) {
    out_ << text;
    out_.flush();
  } else {
    RegFileWriter::SaveText(file, text);
  }
}

void RegConsole::CmdImport(const std::vector<std::string>& words) {
  if (words.size() != 2) ThrowUsage("import");
  const RegFile file = RegFile::Load(words[1]);
  const RegFile::ImportCounts counts = file.Import();
  for (const std::string& note : file.Notes()) err_ << "vtrreg: " << note << "\n";
  out_ << "imported " << words[1] << ": " << counts.keys << " keys, " << counts.values << " values, "
       << counts.deletions << " deletions\n";
}
