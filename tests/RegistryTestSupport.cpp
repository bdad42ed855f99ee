#include "tests/RegistryTestSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#ifdef _WIN32
#include <winternl.h>
#else
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
// The system's handle table, for Wine, whose GetProcessHandleCount answers 0.
struct HandleEntry {
  ULONG ownerPid;
  BYTE objectType;
  BYTE flags;
  USHORT handle;
  PVOID object;
  ACCESS_MASK access;
};
struct HandleTable {
  ULONG count;
  HandleEntry entries[1];
};

long CountFromSystemTable() {
  using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
  auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
  if (query == nullptr) return 0;
  const ULONG kSystemHandleInformation = 16;
  std::vector<BYTE> buffer(1 << 16);
  for (;;) {
    ULONG needed = 0;
    LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == 0) break;
    if (buffer.size() > (64u << 20)) return 0;
    buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
  }
  const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
  long count = 0;
  DWORD self = GetCurrentProcessId();
  for (ULONG i = 0; i < table->count; ++i) {
    if (table->entries[i].ownerPid == self) ++count;
  }
  return count;
}
#endif

}  // namespace

void DeleteRegistryTree(HKEY root, const std::string& subKey) { DeleteTreeBelow(root, subKey); }

long OpenRegistryHandleCount() {
#ifdef _WIN32
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count != 0) return static_cast<long>(count);
  return CountFromSystemTable();
#else
  return RegistryStore::OpenHandleCount();
#endif
}

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
