#include "tools/vtrreg/RegConsole.h"

#include "platform/Hex.h"
#include "tools/vtrreg/CommandSyntax.h"
#include "tools/vtrreg/CommandTable.h"
#include "tools/vtrreg/VtrRegError.h"

std::string RegConsole::Prompt() const {
  const std::string key = context_.registry.CurrentKey();
  std::string prompt = "vtrreg ";
  prompt += key.empty() ? std::string("\\") : key;
  prompt += "> ";
  return prompt;
}

bool RegConsole::Execute(const std::string& line, const std::string& where,
                         const std::vector<std::string>& extraWords) {
  const size_t first = line.find_first_not_of(" \t\r\n");
  if (first == std::string::npos || line[first] == '#') return true;
  std::vector<std::string> words;
  try {
    words = SplitWords(line);
  } catch (const ErrObject& error) {
    ReportError(error, where);
    return false;
  }
  words.insert(words.end(), extraWords.begin(), extraWords.end());
  return ExecuteWords(words, where);
}

bool RegConsole::ExecuteWords(const std::vector<std::string>& words, const std::string& where) {
  if (words.empty()) return true;
  try {
    const CommandInfo* command = FindCommand(words[0]);
    if (command == nullptr) {
      throw VtrRegError::Make(VtrRegError::UnknownCommand, VtrRegError::Source,
                              "unknown command \"" + words[0] + "\" (help lists the commands)");
    }
    command->run(context_, words);
    return true;
  } catch (const ErrObject& error) {
    ReportError(error, where);
  } catch (const std::exception& error) {
    ReportError(VtrRegError::Make(VtrRegError::Base, VtrRegError::Source, error.what()), where);
  }
  return false;
}

std::string RegConsole::FormatError(const ErrObject& error, const std::string& where) {
  std::string number = std::to_string(error.Number) + " (0x";
  AppendHex(number, static_cast<uint32_t>(error.Number), 8);
  return "vtrreg: " + (where.empty() ? std::string() : where + ": ") + "error " + number + "), source \"" +
         error.Source + "\": " + error.Description;
}

void RegConsole::ReportError(const ErrObject& error, const std::string& where) {
  context_.err << FormatError(error, where) << "\n";
  context_.err.flush();
}
