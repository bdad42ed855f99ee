#include "platform/emu/UserData.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace emu {

std::string DataFolder() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome != nullptr && dataHome[0] == '/') return std::string(dataHome) + "/vantorel";
  // A relative XDG_DATA_HOME is to be ignored.
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* entry = ::getpwuid(::getuid());
    home = entry != nullptr ? entry->pw_dir : "/";
  }
  return std::string(home) + "/.local/share/vantorel";
}

std::string RegistryStorePath() {
  const char* explicitPath = std::getenv("VTR_REGISTRY");
  if (explicitPath != nullptr && *explicitPath != '\0') return explicitPath;
  return DataFolder() + "/registry.db";
}

}  // namespace emu
