#include "tests/RegistryTestSupport.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#ifndef _WIN32
#include "platform/emu/RegistryStore.h"
#endif

namespace {

// Works key by key, each opened below its parent's handle, so that no path
// grows longer than one key name.
void DeleteTreeBelow(HKEY parent, const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) return;
  // Collect the names first: deleting while enumerating shifts the indices.
  std::vector<std::string> children;
  char child[1024];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof child;
    if (RegEnumKeyExA(key, index, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    children.emplace_back(child, length);
  }
  for (const std::string& each : children) DeleteTreeBelow(key, each);
  RegCloseKey(key);
  RegDeleteKeyA(parent, name.c_str());
}

#ifdef _WIN32
// Wine's GetProcessHandleCount answers 0: the handles that answer, probed.
// The handle table hands out the lowest free values first.
long ProbeHandles() {
  long count = 0;
  DWORD flags = 0;
  for (uintptr_t h = 4; h < 0x10000; h += 4) count += GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags) ? 1 : 0;
  return count;
}
#endif

}  // namespace

void DeleteRegistryTree(HKEY root, const std::string& subKey) { DeleteTreeBelow(root, subKey); }

long OpenRegistryHandleCount() {
#ifdef _WIN32
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return static_cast<long>(count);
  return ProbeHandles();
#else
  return RegistryStore::OpenHandleCount();
#endif
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
