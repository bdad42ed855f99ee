#include "tools/vtrreg/clsRegKey.h"

clsRegKey& clsRegKey::operator=(clsRegKey&& other) noexcept {
  if (this != &other) {
    Close();
    hKey = other.hKey;
    other.hKey = nullptr;
  }
  return *this;
}

LONG clsRegKey::Open(HKEY hParent, const std::string& strSubKey, REGSAM lngAccess) {
  Close();
  HKEY opened = nullptr;
  const LONG result = RegOpenKeyExA(hParent, strSubKey.c_str(), 0, lngAccess, &opened);
  if (result == ERROR_SUCCESS) hKey = opened;
  return result;
}

LONG clsRegKey::Create(HKEY hParent, const std::string& strSubKey, REGSAM lngAccess) {
  // Creating "" would hand back the parent itself; opening says the same
  // without asking for a key to be made.
  if (strSubKey.empty()) return Open(hParent, strSubKey, lngAccess);
  Close();
  char keyClass[1] = {'\0'};
  HKEY created = nullptr;
  DWORD disposition = 0;
  const LONG result = RegCreateKeyExA(hParent, strSubKey.c_str(), 0, keyClass, REG_OPTION_NON_VOLATILE,
                                      lngAccess, nullptr, &created, &disposition);
  if (result == ERROR_SUCCESS) hKey = created;
  return result;
}

void clsRegKey::Close() {
  if (hKey != nullptr) {
    RegCloseKey(hKey);
    hKey = nullptr;
  }
}
