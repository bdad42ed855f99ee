#include "tools/vtrreg/RegTree.h"

#include <vector>

#include "platform/RegKey.h"
#include "tools/vtrreg/RegEnum.h"

namespace {

// Deletes every key below an open key, deepest first: each level of the
// stack holds its open key and the name its parent knows it by.
LONG DeleteBelow(HKEY top) {
  struct Level {
    RegKey key;
    std::string name;
  };
  std::vector<Level> levels;
  std::vector<char> buffer;
  while (true) {
    const HKEY current = levels.empty() ? top : levels.back().key.Handle();
    Level child;
    LONG result = SubKeyNameAt(current, 0, buffer, child.name);
    if (result == ERROR_SUCCESS) {
      result = child.key.Open(current, child.name, RegKey::ReadAccess);
      if (result != ERROR_SUCCESS) return result;
      levels.push_back(std::move(child));
      continue;
    }
    if (result != ERROR_NO_MORE_ITEMS) return result;
    if (levels.empty()) return ERROR_SUCCESS;
    // This key has no subkeys left: its parent deletes it.
    const std::string childName = std::move(levels.back().name);
    levels.pop_back();
    const HKEY parent = levels.empty() ? top : levels.back().key.Handle();
    result = RegDeleteKeyA(parent, childName.c_str());
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) return result;
  }
}

}  // namespace

namespace RegTree {

LONG DeleteTree(HKEY root, const std::string& subKey) {
  const LONG result = DeleteSubKeys(root, subKey);
  if (result != ERROR_SUCCESS) return result;
  const LONG deleted = RegDeleteKeyA(root, subKey.c_str());
  return deleted == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : deleted;
}

LONG DeleteSubKeys(HKEY root, const std::string& subKey) {
  RegKey key;
  const LONG result = key.Open(root, subKey, RegKey::ReadAccess);
  if (result == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
  if (result != ERROR_SUCCESS) return result;
  return DeleteBelow(key.Handle());
}

}  // namespace RegTree
