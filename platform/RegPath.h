#pragma once
// Registry paths as text, the program's one splitter: "ROOT\A\B" into its
// root name and the key below it, a key into its parent and its last name,
// and a subkey path into its names.
#include <string_view>
#include <vector>

struct RegPathParts {
  std::string_view root;    // "HKEY_LOCAL_MACHINE"; empty for an empty path
  std::string_view subKey;  // "A\B"; empty for the root itself
};

// Splits at the first backslash; a leading backslash is skipped.
RegPathParts SplitRootPath(std::string_view path);

// The path up to its last backslash, and the name after it ("" and the whole
// path when it has none).
std::string_view ParentPath(std::string_view path);
std::string_view LeafName(std::string_view path);

// The names between backslashes, empty ones included ("A\\B" gives A, "", B).
std::vector<std::string_view> SplitNames(std::string_view subKey);
// The same into a vector the caller keeps (emptied first), so that a split
// made on every call allocates nothing once the vector has grown.
void SplitNames(std::string_view subKey, std::vector<std::string_view>& names);
