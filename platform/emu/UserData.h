#pragma once
// Where the user's data lives on systems without Windows: the registry store
// and, beside it by default, the folder that stands for drive C:. The names
// are the program's own, handed in once at start, before its first registry
// call (until then no store is found).

#include <string>

namespace emu {

struct UserDataNames {
  std::string folder;          // the data folder, below the user's data home
  std::string storeVariable;   // the environment variable that may name the store's file
  std::string driveCVariable;  // the one that may name the folder that stands for C:
};
void SetUserDataNames(UserDataNames names);

// $XDG_DATA_HOME/<folder>, or ~/.local/share/<folder> when XDG_DATA_HOME is
// unset or relative (the home folder from $HOME, else the password entry).
std::string DataFolder();

// The registry store's file: $<storeVariable>, or else DataFolder()/registry.db
// (empty while no names are set).
std::string RegistryStorePath();

// The folder $<driveCVariable> names for C:, if any ("" otherwise).
std::string DriveCSetting();

}  // namespace emu
