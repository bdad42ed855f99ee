#pragma once
// Where the user's data lives on systems without Windows: the registry store
// and, beside it by default, the folder that stands for drive C:.

#include <string>

namespace emu {

// $XDG_DATA_HOME/vantorel, or ~/.local/share/vantorel when XDG_DATA_HOME is
// unset or relative (the home folder from $HOME, else the password entry).
std::string DataFolder();

// The registry store's file: $VTR_REGISTRY, or else DataFolder()/registry.db.
std::string RegistryStorePath();

}  // namespace emu
