#include "platform/RegKey.h"

#include <utility>

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

LONG RegKey::Open(HKEY parent, const char* subKey, REGSAM access) {
  Close();
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(parent, subKey, 0, access, &opened);
  if (result == ERROR_SUCCESS) handle_ = opened;
  return result;
}

LONG RegKey::Create(HKEY parent, const std::string& subKey, REGSAM access, SECURITY_ATTRIBUTES* security) {
  Close();
  char keyClass[1] = {'\0'};
  HKEY created = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyExA(parent, subKey.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE, access,
                                      security, &created, &disposition);
  if (result == ERROR_SUCCESS) handle_ = created;
  return result;
}

LONG RegKey::Close() {
  const HKEY held = std::exchange(handle_, nullptr);
  return held == nullptr ? ERROR_SUCCESS : RegCloseKey(held);
}
