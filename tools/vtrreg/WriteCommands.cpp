// Writing: values, keys made, keys deleted.
#include "platform/RegPath.h"
#include "platform/RegRoot.h"
#include "platform/Strings.h"
#include "tools/vtrreg/CommandTable.h"
#include "tools/vtrreg/Commands.h"
#include "tools/vtrreg/RegTree.h"
#include "tools/vtrreg/ValueInput.h"
#include "tools/vtrreg/VtrRegError.h"

namespace {

// rmkey -r: the key `leaf` below `parentKey` (a path of the registry class)
// with everything below it, through the tree deletion.
void DeleteWithAllBelow(const std::string& parentKey, const std::string& leaf) {
  const std::string shown = parentKey + "\\" + leaf;
  const KeyPath parent = ResolveKeyPath(parentKey).value_or(KeyPath{});
  const std::string path = parent.subKey.empty() ? leaf : parent.subKey + "\\" + leaf;
  const auto fail = [&](const std::string& what, LONG result) {
    throw VtrRegError::Make(VtrRegError::RegistryCall, VtrRegError::Source,
                            "rmkey -r: deleting " + what + " failed with code " + std::to_string(result));
  };
  LONG result = RegTree::DeleteSubKeys(parent.root, path);
  if (result != ERROR_SUCCESS) fail("the keys below " + shown, result);
  {
    // The tree deletion passes over a missing key: it fails here as cd
    // fails, with the class's error. The backslash behind keeps the name as
    // it is, blanks at its end too.
    clsEasyRegistry key;
    key.Cd(shown + "\\");
  }
  result = RegTree::DeleteTree(parent.root, path);  // the key itself, nothing below it now
  if (result != ERROR_SUCCESS) fail(shown, result);
}

}  // namespace

void CmdSet(CommandContext& context, const CommandWords& words) {
  context.RequireCurrentKey("set");
  std::string kindText = "string";
  size_t i = 1;
  while (i < words.size() && words[i].size() > 1 && words[i][0] == '-') {
    if (words[i] == "--") {
      ++i;
      break;
    }
    if (words[i] == "-t" || words[i] == "--type") {
      if (i + 1 >= words.size()) ThrowUsage("set", "-t needs a KIND");
      kindText = words[i + 1];
      i += 2;
    } else if (words[i].rfind("--type=", 0) == 0) {
      kindText = words[i].substr(7);
      ++i;
    } else {
      ThrowUsage("set", "unknown option " + words[i] + " (a NAME that starts with - goes after --)");
    }
  }
  if (i >= words.size()) ThrowUsage("set", "a NAME is missing");
  const std::string name = words[i++];
  int32_t kind = ParseKind(kindText);
  const Variant value = MakeValue(kind, CommandWords(words.begin() + static_cast<std::ptrdiff_t>(i), words.end()));
  context.registry.ValueOf(name, kind, value);
}

void CmdMkdir(CommandContext& context, const CommandWords& words) {
  if (words.size() != 2) ThrowUsage("mkdir");
  if (!context.IsAbsolute(words[1])) {
    context.registry.MakeKey(words[1]);
    return;
  }
  // From the root: the registry class makes keys below a current key.
  const std::string path = Trim(words[1]);
  const RegPathParts parts = SplitRootPath(path);
  if (parts.subKey.empty()) ThrowUsage("mkdir", "a root key cannot be made");
  std::string rootPath = "\\";
  rootPath += parts.root;
  clsEasyRegistry root;
  root.Cd(rootPath);
  root.MakeKey(std::string(parts.subKey));
}

void CmdRmkey(CommandContext& context, const CommandWords& words) {
  size_t i = 1;
  const bool recursive = i < words.size() && words[i] == "-r";
  if (recursive) ++i;
  if (words.size() != i + 1) ThrowUsage("rmkey");
  std::string target = words[i];
  if (target.size() > 1 && target.back() == '\\') target.pop_back();
  const std::string leaf(LeafName(target));
  const std::string parentPath(ParentPath(target));
  if (leaf.empty()) ThrowUsage("rmkey", "a key name is missing");

  clsEasyRegistry parent;
  if (context.IsAbsolute(target)) {
    if (Trim(parentPath).empty()) ThrowUsage("rmkey", "a root key cannot be deleted");
    parent.Cd(parentPath);
  } else {
    parent.Cd(context.registry.CurrentKey());
    if (!parentPath.empty()) parent.Cd(parentPath);
  }
  if (recursive) {
    DeleteWithAllBelow(parent.CurrentKey(), leaf);
  } else {
    parent.DeleteKey(leaf);
  }

  // Standing in the deleted key or below it: step out to its parent.
  const std::string deleted = parent.CurrentKey() + "\\" + UCaseAscii(leaf);
  const std::string current = context.registry.CurrentKey();
  if (current == deleted || current.rfind(deleted + "\\", 0) == 0) {
    context.registry.SuppressErrors(true);
    context.registry.Cd(parent.CurrentKey());
    context.registry.SuppressErrors(false);
  }
}

void CmdRm(CommandContext& context, const CommandWords& words) {
  if (words.size() != 2) ThrowUsage("rm");
  context.RequireCurrentKey("rm");
  context.registry.DeleteValue(words[1]);
}
