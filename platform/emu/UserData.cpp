#include "platform/emu/UserData.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

namespace emu {
namespace {

UserDataNames& Names() {
  static UserDataNames names;
  return names;
}

// The value of an environment variable of that name, if it is set and not empty.
const char* Setting(const std::string& variable) {
  const char* value = variable.empty() ? nullptr : std::getenv(variable.c_str());
  return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

void SetUserDataNames(UserDataNames names) { Names() = std::move(names); }

std::string DataFolder() {
  const std::string& folder = Names().folder;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') return std::string(dataHome) + "/" + folder;
  // A relative XDG_DATA_HOME is to be ignored.
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* entry = ::getpwuid(::getuid());
    home = entry != nullptr ? entry->pw_dir : "/";
  }
  return std::string(home) + "/.local/share/" + folder;
}

std::string RegistryStorePath() {
  if (const char* named = Setting(Names().storeVariable)) return named;
  return Names().folder.empty() ? std::string() : DataFolder() + "/registry.db";
}

std::string DriveCSetting() {
  const char* named = Setting(Names().driveCVariable);
  return named != nullptr ? named : std::string();
}

}  // namespace emu
