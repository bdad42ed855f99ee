#include "tests/RegistryTestSupport.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#ifndef _WIN32
#include "platform/emu/RegistryStore.h"
#endif

std::vector<std::string> rawreg::SubKeys(HKEY root, const std::string& subKey) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) return names;
  for (DWORD i = 0;; ++i) {
    char name[1024];
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

// Works key by key, each opened below its parent's handle, so that no path
// grows longer than one key name; the names are listed before any goes, since
// deleting while enumerating shifts the indices.
void DeleteRegistryTree(HKEY root, const std::string& subKey) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) return;
  for (const std::string& child : rawreg::SubKeys(key, "")) DeleteRegistryTree(key, child);
  RegCloseKey(key);
  RegDeleteKeyA(root, subKey.c_str());
}

long OpenRegistryHandleCount() {
#ifdef _WIN32
  // Wine's GetProcessHandleCount answers 0: the handles that answer, probed
  // (the handle table hands out the lowest free values first). Only keys
  // count, as a key query tells them (any other object is an invalid key
  // handle): Wine opens others of its own accord, an event or a file now and
  // then, and so may Windows.
  long count = 0;
  DWORD flags = 0;
  for (uintptr_t h = 4; h < 0x10000; h += 4) {
    const auto handle = reinterpret_cast<HKEY>(h);
    count += GetHandleInformation(handle, &flags) &&
             RegQueryInfoKeyA(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr) != ERROR_INVALID_HANDLE;
  }
  return count;
#else
  return emu::RegistryStore::OpenHandleCount();
#endif
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
