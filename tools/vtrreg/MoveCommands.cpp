// Moving: the console's current key, and how a PATH is read against it.
#include "platform/Strings.h"
#include "tools/vtrreg/CommandTable.h"
#include "tools/vtrreg/Commands.h"
#include "tools/vtrreg/VtrRegError.h"

bool CommandContext::IsAbsolute(const std::string& path) const {
  const std::string trimmed = Trim(path);
  return (!trimmed.empty() && trimmed[0] == '\\') || registry.CurrentKey().empty();
}

void CommandContext::PositionAt(clsEasyRegistry& other, const std::string& path) const {
  if (!IsAbsolute(path)) other.Cd(registry.CurrentKey());
  other.Cd(path);
}

void CommandContext::RequireCurrentKey(const std::string& command) const {
  if (registry.CurrentKey().empty()) {
    throw VtrRegError::Make(VtrRegError::NoCurrentKey, VtrRegError::Source,
                            command + ": no current key (cd to a key first)");
  }
}

void CmdCd(CommandContext& context, const CommandWords& words) {
  if (words.size() > 2) ThrowUsage("cd");
  clsEasyRegistry& registry = context.registry;
  const std::string previous = registry.CurrentKey();
  try {
    registry.Cd(words.size() == 2 ? words[1] : "\\");
  } catch (const ErrObject&) {
    // A failed move leaves the console at the key where it was.
    registry.SuppressErrors(true);
    try {
      registry.Cd(previous.empty() ? "\\" : previous);
    } catch (const ErrObject&) {
    }
    registry.SuppressErrors(false);
    throw;
  }
}

void CmdPwd(CommandContext& context, const CommandWords& words) {
  if (words.size() != 1) ThrowUsage("pwd");
  const std::string key = context.registry.CurrentKey();
  context.out << (key.empty() ? "\\" : key) << "\n";
}
