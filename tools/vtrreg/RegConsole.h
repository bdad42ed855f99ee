#pragma once
// RegConsole: vtrreg's command interpreter. It keeps the commands' context
// (one clsEasyRegistry object whose current key is the console's), runs one
// command line at a time through the command table, writes results to `out`
// and every failure, with the error's number, source and description, to
// `err`.
//
// Command lines are split into words as CommandSyntax.h tells. A line that
// is empty or starts with "#" does nothing.
#include <ostream>
#include <string>
#include <vector>

#include "tools/vtrreg/Commands.h"

class RegConsole {
 public:
  RegConsole(std::ostream& out, std::ostream& err) : context_(out, err) {}

  // Runs one command line, with extraWords after its own words. False when
  // it failed; the error is on `err`, after `where` ("line 3") when one
  // is given.
  bool Execute(const std::string& line, const std::string& where = "",
               const std::vector<std::string>& extraWords = {});
  // Runs one command already split into words.
  bool ExecuteWords(const std::vector<std::string>& words, const std::string& where = "");

  // The interactive prompt, which shows the current key.
  std::string Prompt() const;
  std::string CurrentKey() const { return context_.registry.CurrentKey(); }
  // True after exit or quit.
  bool QuitRequested() const { return context_.quit; }

  // The line that reports a failure: "vtrreg: [where: ]error NUMBER (0xHEX), source "...": description".
  static std::string FormatError(const ErrObject& error, const std::string& where);

 private:
  void ReportError(const ErrObject& error, const std::string& where);

  CommandContext context_;
};
