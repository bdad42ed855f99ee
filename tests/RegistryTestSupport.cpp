#include "tests/RegistryTestSupport.h"

#include <vector>

#ifndef _WIN32
#include "platform/emu/RegistryStore.h"
#endif

void DeleteRegistryTree(HKEY root, const std::string& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) return;
  // Collect the names first: deleting while enumerating shifts the indices.
  std::vector<std::string> children;
  char name[1024];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    children.emplace_back(name, length);
  }
  RegCloseKey(key);
  for (const std::string& child : children) DeleteRegistryTree(root, subKey + "\\" + child);
  RegDeleteKeyA(root, subKey.c_str());
}

long OpenRegistryHandleCount() {
#ifdef _WIN32
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return static_cast<long>(count);
#else
  return RegistryStore::OpenHandleCount();
#endif
}
