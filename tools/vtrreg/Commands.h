#pragma once
// vtrreg's commands and what they share. Each command takes the console's
// context and its words (the command's name first) and throws ErrObject on
// failure; the console reports it.
//
// A command finds the key a PATH names as cd does (the registry class reads
// it against the current key, and a missing key fails with the class's
// error); how what it then does reaches the registry is named at its group
// below.
#include <ostream>
#include <string>
#include <vector>

#include "registry/clsEasyRegistry.h"

using CommandWords = std::vector<std::string>;

struct CommandContext {
  CommandContext(std::ostream& output, std::ostream& errors) : out(output), err(errors) {}

  // A path from a root, or any path when there is no current key.
  bool IsAbsolute(const std::string& path) const;
  // Moves `other` to a path read against the current key.
  void PositionAt(clsEasyRegistry& other, const std::string& path) const;
  // Throws NoCurrentKey, naming the command, when there is no current key.
  void RequireCurrentKey(const std::string& command) const;

  clsEasyRegistry registry;  // its current key is the console's
  std::ostream& out;
  std::ostream& err;
  bool quit = false;  // set by exit and quit
};

// Moving (MoveCommands.cpp): the console's current key, through the class.
void CmdCd(CommandContext& context, const CommandWords& words);
void CmdPwd(CommandContext& context, const CommandWords& words);

// Reading (ReadCommands.cpp): through the class; lv fills the rows the
// class's listing leaves empty (a name or data too long for it) with RegKey.
void CmdLs(CommandContext& context, const CommandWords& words);
void CmdLv(CommandContext& context, const CommandWords& words);
void CmdGet(CommandContext& context, const CommandWords& words);

// Writing (WriteCommands.cpp): through the class; rmkey -r through the tree
// deletion (RegTree) alone.
void CmdSet(CommandContext& context, const CommandWords& words);
void CmdMkdir(CommandContext& context, const CommandWords& words);
void CmdRmkey(CommandContext& context, const CommandWords& words);
void CmdRm(CommandContext& context, const CommandWords& words);

// Files (FileCommands.cpp): .reg files, through RegKey (RegFile, RegFileWriter).
void CmdExport(CommandContext& context, const CommandWords& words);
void CmdImport(CommandContext& context, const CommandWords& words);
