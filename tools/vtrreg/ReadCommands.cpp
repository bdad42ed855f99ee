// Reading: subkeys, the values as a table, and one value.
#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/Printable.h"
#include "platform/RegKey.h"
#include "platform/RegRoot.h"
#include "platform/Strings.h"
#include "tools/vtrreg/CommandTable.h"
#include "tools/vtrreg/Commands.h"
#include "tools/vtrreg/DisplayText.h"

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

void WriteValueTable(std::ostream& out, const clsEasyRegistry::ValueTable& table) {
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
    out << TrimSpacesRight(line) << "\n";
  };
  row("Name", "Data", "Kind");
  for (size_t i = 0; i < names.size(); ++i) {
    row(shownNames[i], shownData[i], KindColumn(table[clsEasyRegistry::RowKind][i]));
  }
}

}  // namespace

void CmdLs(CommandContext& context, const CommandWords& words) {
  if (words.size() > 2) ThrowUsage("ls");
  std::optional<std::vector<std::string>> names;
  if (words.size() == 2) {
    clsEasyRegistry other;
    context.PositionAt(other, words[1]);
    names = other.DirKey();
  } else {
    names = context.registry.DirKey();
  }
  if (!names) return;  // no subkeys
  for (const std::string& name : *names) context.out << name << "\n";
}

void CmdLv(CommandContext& context, const CommandWords& words) {
  if (words.size() > 2) ThrowUsage("lv");
  clsEasyRegistry other;
  clsEasyRegistry* listed = &context.registry;
  if (words.size() == 2) {
    context.PositionAt(other, words[1]);
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
  if (table) WriteValueTable(context.out, *table);  // nothing for a key without values
}

void CmdGet(CommandContext& context, const CommandWords& words) {
  if (words.size() != 2) ThrowUsage("get");
  context.RequireCurrentKey("get");
  int32_t kind = ValueKind::String;
  const RegistryValue value = context.registry.ValueOf(words[1], kind);
  std::ostream& out = context.out;
  out << "Text:   " << Printable(value.Text) << "\n";
  out << "Kind:   " << kind << " (" << KindName(kind) << ")\n";
  out << "Bytes:  " << (value.Bytes.empty() ? "(none)" : HexBytes(value.Bytes)) << "\n";
  if (kind == ValueKind::DWord) {
    char number[64];
    std::snprintf(number, sizeof number, "%.0f", value.Number);
    out << "Number: " << number << "\n";
  }
}
