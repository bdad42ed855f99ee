#pragma once
// Registry helpers for tests, on the emulated registry natively and on
// Wine's registry under wine64.

#include <filesystem>
#include <string>
#include <vector>

#include "platform/modAPI.h"
#include "registry/ErrObject.h"

namespace rawreg {
// Subkey names as the registry spells them; none when the key does not open.
std::vector<std::string> SubKeys(HKEY root, const std::string& subKey);
}  // namespace rawreg

// Deletes subKey below root with all its subkeys and values, using only the
// registry functions the program itself calls. A missing key is no error.
void DeleteRegistryTree(HKEY root, const std::string& subKey);

// How many registry key handles the process holds open: natively the emulated
// registry's; on Windows those of the kernel's handles that are keys.
long OpenRegistryHandleCount();

// A file's bytes; empty when it cannot be read.
std::string FileText(const std::filesystem::path& path);

// The error the call raises; one numbered 0 when it raises none.
template <class Call>
ErrObject ErrorOf(Call&& call) {
  try {
    call();
  } catch (const ErrObject& error) {
    return error;
  }
  return ErrObject(0, "", "no error");
}
