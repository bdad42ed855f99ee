#pragma once
// vtrreg's commands: their names, synopses and summaries (for help and for
// the usage line of a command given the wrong arguments), and how a command
// line is split into words.
//
// Command lines are words separated by blanks. "Double" or 'single' quotes
// keep blanks in a word (a quote doubled inside its quotes stands for
// itself); backslash is an ordinary character, as registry paths are full of
// them.
#include <string>
#include <vector>

struct CommandInfo {
  const char* name;
  const char* synopsis;
  const char* summary;
};

// nullptr for a word that names no command.
const CommandInfo* FindCommand(const std::string& name);
bool IsCommandName(const std::string& word);
// The command list, for help and --help.
std::string CommandHelp();

// Throws the Usage error: the problem, if any, and the command's synopsis.
[[noreturn]] void ThrowUsage(const std::string& command, const std::string& problem = "");

// A command line split into words; an unclosed quote throws ErrObject.
std::vector<std::string> SplitWords(const std::string& line);
