#include "tools/vtrreg/CommandSyntax.h"

#include "tools/vtrreg/DisplayText.h"
#include "tools/vtrreg/VtrRegError.h"

namespace {

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

std::vector<std::string> SplitWords(const std::string& line) {
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
