#include "platform/RegRoot.h"

#include "platform/RegPath.h"
#include "platform/Strings.h"

namespace {

struct RootEntry {
  const char* name;
  HKEY key;
};

// In the order a listing of the roots gives them.
const RootEntry kRoots[] = {
    {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT}, {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE}, {"HKEY_USERS", HKEY_USERS},
    {"HKEY_DYN_DATA", HKEY_DYN_DATA}, {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
};

}  // namespace

HKEY RootKeyNamed(std::string_view name) {
  for (const RootEntry& root : kRoots) {
    if (EqualsAsciiNoCase(name, root.name)) return root.key;
  }
  return nullptr;
}

std::vector<std::string> RootNames() {
  std::vector<std::string> names;
  for (const RootEntry& root : kRoots) names.emplace_back(root.name);
  return names;
}

std::optional<KeyPath> ResolveKeyPath(std::string_view path) {
  path = TrimBlanks(path);
  if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  const RegPathParts parts = SplitRootPath(path);
  const HKEY root = RootKeyNamed(parts.root);
  if (root == nullptr) return std::nullopt;
  return KeyPath{root, std::string(parts.root), std::string(parts.subKey)};
}
