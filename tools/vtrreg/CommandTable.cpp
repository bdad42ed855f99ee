#include "tools/vtrreg/CommandTable.h"

#include "tools/vtrreg/DisplayText.h"
#include "tools/vtrreg/VtrRegError.h"

namespace {

void CmdHelp(CommandContext& context, const CommandWords& words) {
  const CommandInfo* info = words.size() > 1 ? FindCommand(words[1]) : nullptr;
  context.out << (info != nullptr ? std::string(info->synopsis) + "\n    " + info->summary + "\n" : CommandHelp());
}

void CmdExit(CommandContext& context, const CommandWords&) { context.quit = true; }

const CommandInfo kCommands[] = {
    {"cd", "cd [PATH]", "move to the key PATH (to \"\\\", no current key, when PATH is left out)", CmdCd},
    {"pwd", "pwd", "show the current key", CmdPwd},
    {"ls", "ls [PATH]", "list the subkeys of the current key (or of PATH)", CmdLs},
    {"lv", "lv [PATH]", "list the values as a table: name, data, kind", CmdLv},
    {"get", "get NAME", "show one value: its text, kind and bytes (\"\" names the default value)", CmdGet},
    {"set", "set [-t KIND] NAME VALUE...",
     "write a value; KIND is string (the default), dword, binary or multistring", CmdSet},
    {"mkdir", "mkdir PATH", "create a key, and every missing key on the way to it", CmdMkdir},
    {"rmkey", "rmkey [-r] PATH", "delete a key that has no subkeys (-r: with everything below it)", CmdRmkey},
    {"rm", "rm NAME", "delete a value of the current key", CmdRm},
    {"export", "export [-o FILE] [PATH]",
     "write the current key (or PATH) and everything below it as REGEDIT4 text", CmdExport},
    {"import", "import FILE", "apply a .reg file (REGEDIT4 or version 5.00); a faulty file changes nothing",
     CmdImport},
    {"help", "help [COMMAND]", "show the commands", CmdHelp},
    {"exit", "exit", "leave vtrreg (also quit)", CmdExit},
    {"quit", "quit", "leave vtrreg", CmdExit},
};

}  // namespace

const CommandInfo* FindCommand(const std::string& name) {
  for (const CommandInfo& command : kCommands) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

bool IsCommandName(const std::string& word) { return FindCommand(word) != nullptr; }

std::string CommandHelp() {
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

void ThrowUsage(const std::string& command, const std::string& problem) {
  const CommandInfo* info = FindCommand(command);
  std::string text = problem.empty() ? std::string() : problem + "; ";
  text += "usage: ";
  text += info != nullptr ? info->synopsis : command.c_str();
  throw VtrRegError::Make(VtrRegError::Usage, VtrRegError::Source, text);
}
