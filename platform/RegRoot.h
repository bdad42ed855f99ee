#pragma once
// The predefined keys by the names that registry paths give them, the
// program's one table of root names, and a path resolved through it.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/modAPI.h"

// The root key of a name ("HKEY_CURRENT_USER"), in any ASCII letter case;
// nullptr for any other name. HKEY_PERFORMANCE_DATA has no name here: no
// path leads to it.
HKEY RootKeyNamed(std::string_view name);

// The names of those roots, in the order a listing of the roots gives them.
std::vector<std::string> RootNames();

// An absolute key path ("\HKEY_CURRENT_USER\Software"), split for the
// registry functions.
struct KeyPath {
  HKEY root = nullptr;
  std::string rootName;  // as the path spells it
  std::string subKey;    // "" for the root itself
};

// Blanks around the path and one backslash at either end are left out.
// Nothing when the path does not begin with one of the roots.
std::optional<KeyPath> ResolveKeyPath(std::string_view path);
