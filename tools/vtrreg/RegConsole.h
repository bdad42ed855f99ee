#pragma once
// RegConsole: vtrreg's command interpreter. It keeps one clsEasyRegistry
// object whose current key is the console's, runs one command line at a
// time, writes results to `out` and every failure, with the error's number,
// source and description, to `err`.
//
// Command lines are split into words as CommandSyntax.h tells. A line that
// is empty or starts with "#" does nothing.
#include <ostream>
#include <string>
#include <vector>

#include "registry/clsEasyRegistry.h"

class RegConsole {
 public:
  RegConsole(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

  // Runs one command line, with extraWords after its own words. False when
  // it failed; the error is on `err`, after context ("line 3") when one
  // is given.
  bool Execute(const std::string& line, const std::string& context = "",
               const std::vector<std::string>& extraWords = {});
  // Runs one command already split into words.
  bool ExecuteWords(const std::vector<std::string>& words, const std::string& context = "");

  // The interactive prompt, which shows the current key.
  std::string Prompt() const;
  std::string CurrentKey() const { return registry_.CurrentKey(); }
  // True after exit or quit.
  bool QuitRequested() const { return quit_; }

  // The line that reports a failure: "vtrreg: [context: ]error NUMBER (0xHEX), source "...": description".
  static std::string FormatError(const ErrObject& error, const std::string& context);

 private:
  void Run(const std::vector<std::string>& words);
  void CmdCd(const std::vector<std::string>& words);
  void CmdPwd(const std::vector<std::string>& words);
  void CmdLs(const std::vector<std::string>& words);
  void CmdLv(const std::vector<std::string>& words);
  void CmdGet(const std::vector<std::string>& words);
  void CmdSet(const std::vector<std::string>& words);
  void CmdMkdir(const std::vector<std::string>& words);
  void CmdRmkey(const std::vector<std::string>& words);
  void CmdRm(const std::vector<std::string>& words);
  void CmdExport(const std::vector<std::string>& words);
  void CmdImport(const std::vector<std::string>& words);

  // A path from a root, or any path when there is no current key.
  bool IsAbsolute(const std::string& path) const;
  // Moves a second registry object to a path read against the current key.
  void PositionAt(clsEasyRegistry& other, const std::string& path);
  void WriteValueTable(const clsEasyRegistry::ValueTable& table);
  void RequireCurrentKey(const std::string& command) const;
  void ReportError(const ErrObject& error, const std::string& context);

  clsEasyRegistry registry_;
  std::ostream& out_;
  std::ostream& err_;
  bool quit_ = false;
};
