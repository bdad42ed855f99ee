#pragma once
// vtrreg's one list of commands: each one's name, synopsis and summary (for
// help, and for the usage line of a command given the wrong arguments) and
// the function that runs it.
#include <string>

#include "tools/vtrreg/Commands.h"

struct CommandInfo {
  const char* name;
  const char* synopsis;
  const char* summary;
  void (*run)(CommandContext& context, const CommandWords& words);
};

// nullptr for a word that names no command.
const CommandInfo* FindCommand(const std::string& name);
bool IsCommandName(const std::string& word);
// The command list, for help and --help.
std::string CommandHelp();

// Throws the Usage error: the problem, if any, and the command's synopsis.
[[noreturn]] void ThrowUsage(const std::string& command, const std::string& problem = "");
