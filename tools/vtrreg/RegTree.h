#pragma once
// Deleting a key with everything below it, through the registry functions:
// the registry class deletes only keys without subkeys. The walk keeps a
// stack of its own, however deep the tree.
#include <string>

#include "platform/modAPI.h"

namespace RegTree {

// Deletes a key with every key and value below it. A missing key is no
// error. Returns the registry's result code.
LONG DeleteTree(HKEY root, const std::string& subKey);
// The same for every key below it; the key itself and its values stay.
LONG DeleteSubKeys(HKEY root, const std::string& subKey);

}  // namespace RegTree
