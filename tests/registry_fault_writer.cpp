// The writer of the registry fault test: writes values first..kValues-1 and
// acknowledges each write that returned 0 with its number on stdout. It is
// killed at random moments by the test.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/emu/UserData.h"
#include "platform/modAPI.h"
#include "tests/RegistryFaultData.h"
#include "tray/UserDataNames.h"

int main(int argc, char** argv) {
  emu::SetUserDataNames({kDataFolderName, kStoreVariable, kDriveCVariable});
  int first = argc > 1 ? std::atoi(argv[1]) : 0;
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, faultdata::kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return 2;
  for (int i = first; i < faultdata::kValues; ++i) {
    std::string data = faultdata::Data(i);
    auto set = [&](const std::string& name) {
      return RegSetValueExA(key, name.c_str(), 0, REG_BINARY, reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size()));
    };
    // Each value once, and one value rewritten every time with another length.
    if (set(faultdata::Name(i)) != ERROR_SUCCESS || set("current") != ERROR_SUCCESS) return 3;
    std::string ack = std::to_string(i) + "\n";
    if (::write(STDOUT_FILENO, ack.data(), ack.size()) != static_cast<ssize_t>(ack.size())) return 4;
  }
  RegCloseKey(key);
  return 0;
}
