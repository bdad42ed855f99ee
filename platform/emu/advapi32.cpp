// advapi32's registry functions for systems without Windows, on the
// emulated registry store: opening, making, closing and deleting keys (their
// values: advapi32_values.cpp, their listings: advapi32_enum.cpp). They
// answer as Windows does, result codes included; where Windows leaves a
// detail open, Wine's advapi32 decides.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emu/RegistryCall.h"
#include "platform/emu/Statements.h"
#include "platform/modAPI.h"
#include "platform/RegPath.h"

namespace {

using emu::Handle;
using emu::RegistryStore;
using emu::Transaction;

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxKeyDepth = 512;

// The access a handle gets for what was asked: generic rights become the
// key rights they stand for; the WOW64 view flags choose nothing here.
REGSAM MapAccess(REGSAM desired) {
  REGSAM access = desired & ~static_cast<REGSAM>(KEY_WOW64_RES);
  if (access & GENERIC_READ) access |= KEY_READ;
  if (access & GENERIC_WRITE) access |= KEY_WRITE;
  if (access & GENERIC_EXECUTE) access |= KEY_EXECUTE;
  if (access & (GENERIC_ALL | MAXIMUM_ALLOWED)) access |= KEY_ALL_ACCESS;
  return access & ~static_cast<REGSAM>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE |
                                       GENERIC_ALL | MAXIMUM_ALLOWED);
}

// Splits a subkey path into its names. A leading backslash is refused (161);
// empty names between backslashes are skipped, as Windows does. A name
// longer than a key name may be cannot exist (open: 2) nor be made (create: 87).
LONG SplitPath(LPCSTR path, std::vector<std::string_view>& names, LONG tooLong) {
  names.clear();
  if (path == nullptr) return ERROR_SUCCESS;
  if (*path == '\\') return ERROR_BAD_PATHNAME;
  SplitNames(path, names);
  std::erase_if(names, [](std::string_view name) { return name.empty(); });
  for (std::string_view name : names) {
    if (name.size() > kMaxKeyName) return tooLong;
  }
  return ERROR_SUCCESS;
}

// The key a call starts from and the names of the subkey path below it. The
// names live in a vector kept per thread, so a call allocates nothing.
LONG ResolveBelow(RegistryStore::Session& store, HKEY hKey, bool write, LPCSTR subKey, LONG tooLong,
                  Handle*& handle, std::vector<std::string_view>*& names) {
  thread_local std::vector<std::string_view> kept;
  names = &kept;
  LONG rc = store.Resolve(hKey, handle, write);
  if (rc != ERROR_SUCCESS) return rc;
  return SplitPath(subKey, kept, tooLong);
}

// The new handle to a key reached `depth` names below a handle's key.
HKEY NewHandle(RegistryStore::Session& store, int64_t keyId, REGSAM desired, const Handle& from, size_t depth) {
  return store.AddHandle(keyId, MapAccess(desired), from.depth + depth);
}

}  // namespace

extern "C" {

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult) {
  (void)ulOptions;  // Windows ignores the options but REG_OPTION_OPEN_LINK
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  // No key at all is refused before anything is written, as Windows does.
  if (hKey == nullptr) return ERROR_INVALID_HANDLE;
  *phkResult = nullptr;
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  std::vector<std::string_view>* path = nullptr;
  LONG rc = ResolveBelow(store, hKey, false, lpSubKey, ERROR_FILE_NOT_FOUND, handle, path);
  if (rc != ERROR_SUCCESS) return rc;
  const std::vector<std::string_view>& names = *path;
  if (names.empty() && emu::IsPredefinedKey(hKey)) {
    *phkResult = hKey;  // a predefined key opens as itself
    return ERROR_SUCCESS;
  }
  // One statement reads the key: a short path needs no transaction of its own.
  Transaction txn(store, false, names.size() <= emu::Statements::kWalkDepth);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  int64_t keyId = 0;
  rc = names.empty() ? store->KeyExists(handle->keyId, false)
                     : store->ResolvePath(handle->keyId, names, keyId, false);
  if (rc != ERROR_SUCCESS) return rc;
  if (names.empty()) keyId = handle->keyId;
  rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = NewHandle(store, keyId, samDesired, *handle, names.size());
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
  if (emu::IsPredefinedKey(hKey)) return ERROR_SUCCESS;  // never really open, never closed
  auto store = RegistryStore::Lock();
  return store.CloseHandle(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                     PHKEY phkResult, LPDWORD lpdwDisposition) {
  // Volatile keys are kept like the others: the store has no boot to lose them at.
  (void)Reserved;
  (void)dwOptions;
  (void)lpSecurityAttributes;
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  if (hKey == nullptr) return ERROR_INVALID_HANDLE;
  *phkResult = nullptr;
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  std::vector<std::string_view>* path = nullptr;
  LONG rc = ResolveBelow(store, hKey, true, lpSubKey, ERROR_INVALID_PARAMETER, handle, path);
  if (rc != ERROR_SUCCESS) return rc;
  const std::vector<std::string_view>& names = *path;
  if (names.empty() && emu::IsPredefinedKey(hKey)) {
    *phkResult = hKey;
    if (lpdwDisposition != nullptr) *lpdwDisposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  }
  // Windows keeps keys at most 512 levels below their root.
  if (handle->depth + names.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
  Transaction txn(store, true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  emu::KeyInfo info;
  rc = store->GetKey(handle->keyId, info, true);
  if (rc != ERROR_SUCCESS) return rc;
  int64_t keyId = handle->keyId;
  bool created = false;
  for (size_t i = 0; i < names.size(); ++i) {
    int64_t child = 0;
    rc = store->FindSubKey(keyId, names[i], child, true);
    created = rc == ERROR_FILE_NOT_FOUND;
    if (created) {
      std::string_view className =
          i + 1 == names.size() && lpClass != nullptr ? std::string_view(lpClass) : std::string_view();
      rc = store->CreateSubKey(keyId, names[i], className, child);
    }
    if (rc != ERROR_SUCCESS) return rc;
    keyId = child;
  }
  rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = NewHandle(store, keyId, samDesired, *handle, names.size());
  if (lpdwDisposition != nullptr) {
    *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  }
  return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  std::vector<std::string_view>* path = nullptr;
  LONG rc = ResolveBelow(store, hKey, true, lpSubKey, ERROR_FILE_NOT_FOUND, handle, path);
  if (rc != ERROR_SUCCESS) return rc;
  const std::vector<std::string_view>& names = *path;
  // The handle's access rights do not govern deletion: the key to delete,
  // the handle's own one for an empty name included, is opened anew for it.
  Transaction txn(store, true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  emu::KeyInfo info;
  rc = store->GetKey(handle->keyId, info, true);
  if (rc != ERROR_SUCCESS) return rc;
  int64_t target = 0;
  rc = store->ResolvePath(handle->keyId, names, target, true);
  if (rc != ERROR_SUCCESS) return rc;
  int64_t parent = 0;
  rc = store->ParentOf(target, parent);
  if (rc != ERROR_SUCCESS) return rc;
  if (parent == 0) return ERROR_ACCESS_DENIED;  // a predefined root stays
  emu::KeyInfo targetInfo;
  rc = store->GetKey(target, targetInfo, true);
  if (rc != ERROR_SUCCESS) return rc;
  if (targetInfo.subKeys != 0) return ERROR_ACCESS_DENIED;
  rc = store->DeleteKey(target, parent);
  if (rc != ERROR_SUCCESS) return rc;
  return txn.Commit();
}

}  // extern "C"
