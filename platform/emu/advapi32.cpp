// advapi32's registry functions for systems without Windows, on the
// emulated registry store. They answer as Windows does, result codes
// included; where Windows leaves a detail open, Wine's advapi32 decides.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emu/RegistryStore.h"
#include "platform/modAPI.h"

namespace {

using Handle = RegistryStore::Handle;
using Transaction = RegistryStore::Transaction;

constexpr LONG kErrorNoAccess = 998;  // ERROR_NOACCESS: a data pointer that cannot be read
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
constexpr size_t kMaxKeyDepth = 512;
constexpr uint32_t kRootBase = 0x80000000u;

bool IsPredefined(HKEY key) {
  uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
  return value >= kRootBase && value < kRootBase + 7;
}

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
  if (path == nullptr || *path == '\0') return ERROR_SUCCESS;
  if (*path == '\\') return ERROR_BAD_PATHNAME;
  std::string_view rest(path);
  while (!rest.empty()) {
    size_t slash = rest.find('\\');
    std::string_view name = rest.substr(0, slash);
    if (!name.empty()) {
      if (name.size() > kMaxKeyName) return tooLong;
      names.push_back(name);
    }
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  return ERROR_SUCCESS;
}

// Copies a name with its NUL into a buffer of `capacity` characters.
bool CopyName(const std::string& name, LPSTR buffer, LPDWORD capacity) {
  if (name.size() >= *capacity) return false;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *capacity = static_cast<DWORD>(name.size());
  return true;
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

void PutFileTime(PFILETIME out, int64_t ticks) {
  if (out == nullptr) return;
  out->dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
  out->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
}

// Walks `names` down from `keyId`. A missing name gives 2, unless the start
// key itself is gone (1018).
LONG Walk(RegistryStore* store, int64_t startId, const std::vector<std::string_view>& names,
          int64_t& keyId, bool write) {
  keyId = startId;
  for (std::string_view name : names) {
    int64_t child = 0;
    LONG rc = store->FindSubKey(keyId, name, child, write);
    if (rc == ERROR_FILE_NOT_FOUND && keyId == startId) {
      RegistryStore::KeyInfo info;
      LONG exists = store->GetKey(startId, info, write);
      if (exists != ERROR_SUCCESS) return exists;
    }
    if (rc != ERROR_SUCCESS) return rc;
    keyId = child;
  }
  return ERROR_SUCCESS;
}

// Resolves a handle for a call and checks that it grants `rights`.
LONG ResolveWith(RegistryStore::Session& store, HKEY hKey, bool write, REGSAM rights, Handle*& handle) {
  LONG rc = store->Resolve(hKey, handle, write);
  if (rc != ERROR_SUCCESS) return rc;
  return (handle->access & rights) == rights ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// A key's listing of subkeys or of values: the right it needs, where a
// handle keeps it, and how the store reads it.
template <class Row>
struct Listing {
  REGSAM right;
  int64_t Handle::*keptGeneration;
  std::vector<int64_t> Handle::*keptIds;
  // The key's generation with the entry of a given id (if any), in one statement.
  LONG (RegistryStore::*entryAt)(int64_t keyId, int64_t entryId, int64_t& generation, Row& row, bool& found);
  // The ids of all entries, in listing order.
  LONG (RegistryStore::*list)(int64_t keyId, std::vector<int64_t>& ids);
  LONG (RegistryStore::*byId)(int64_t entryId, Row& row, bool& found);
};
// Subkeys in case-insensitive name order.
constexpr Listing<RegistryStore::SubKeyRow> kSubKeyListing{
    KEY_ENUMERATE_SUB_KEYS,   &Handle::subKeyGeneration,   &Handle::subKeyIds,
    &RegistryStore::SubKeyAt, &RegistryStore::ListSubKeys, &RegistryStore::GetSubKeyById};
// Values in creation order.
constexpr Listing<RegistryStore::ValueRow> kValueListing{
    KEY_QUERY_VALUE,         &Handle::valueGeneration,   &Handle::valueIds,
    &RegistryStore::ValueAt, &RegistryStore::ListValues, &RegistryStore::GetValueById};

// Entry `index` of an open key's listing (ERROR_NO_MORE_ITEMS past its end).
// The listing's ids are read once and kept in the handle while the key's
// generation holds, so that entry i costs one lookup by id, not a scan of i
// entries; the generation comes in the same statement as the entry. When it
// has moved on, the ids are read anew in a transaction of their own.
template <class Row>
LONG ListingEntry(HKEY hKey, DWORD index, const Listing<Row>& listing, Row& row) {
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = ResolveWith(store, hKey, false, listing.right, handle);
  if (rc != ERROR_SUCCESS) return rc;
  Transaction txn(*store.get(), false, true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  int64_t& keptGeneration = handle->*listing.keptGeneration;
  std::vector<int64_t>& keptIds = handle->*listing.keptIds;
  bool found = false;
  int64_t generation = 0;
  int64_t wanted = index < keptIds.size() ? keptIds[index] : 0;
  rc = (store.get()->*listing.entryAt)(handle->keyId, wanted, generation, row, found);
  if (rc != ERROR_SUCCESS) return rc;
  if (generation != keptGeneration) {
    Transaction reading(*store.get(), false);
    if (reading.status() != ERROR_SUCCESS) return reading.status();
    keptGeneration = -1;
    rc = (store.get()->*listing.entryAt)(handle->keyId, 0, generation, row, found);
    if (rc == ERROR_SUCCESS) rc = (store.get()->*listing.list)(handle->keyId, keptIds);
    found = false;
    if (rc == ERROR_SUCCESS && index < keptIds.size()) {
      rc = (store.get()->*listing.byId)(keptIds[index], row, found);
    }
    if (rc == ERROR_SUCCESS) rc = reading.Commit();
    if (rc != ERROR_SUCCESS) return rc;
    keptGeneration = generation;
  }
  return found ? ERROR_SUCCESS : ERROR_NO_MORE_ITEMS;
}

}  // namespace

extern "C" {

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                   PHKEY phkResult) {
  (void)ulOptions;  // Windows ignores the options but REG_OPTION_OPEN_LINK
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = store->Resolve(hKey, handle, false);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::string_view> names;
  rc = SplitPath(lpSubKey, names, ERROR_FILE_NOT_FOUND);
  if (rc != ERROR_SUCCESS) return rc;
  if (names.empty() && IsPredefined(hKey)) {
    *phkResult = hKey;  // a predefined key opens as itself
    return ERROR_SUCCESS;
  }
  Transaction txn(*store.get(), false, names.size() <= 1);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  int64_t keyId = 0;
  if (names.empty()) {
    RegistryStore::KeyInfo info;
    rc = store->GetKey(handle->keyId, info, false);
    keyId = handle->keyId;
  } else {
    rc = Walk(store.get(), handle->keyId, names, keyId, false);
  }
  if (rc != ERROR_SUCCESS) return rc;
  rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  *phkResult = store->AddHandle(keyId, MapAccess(samDesired), handle->depth + names.size());
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY hKey) {
  if (IsPredefined(hKey)) return ERROR_SUCCESS;  // never really open, never closed
  auto store = RegistryStore::Lock();
  return store->CloseHandle(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                     REGSAM samDesired, const LPSECURITY_ATTRIBUTES lpSecurityAttributes,
                     PHKEY phkResult, LPDWORD lpdwDisposition) {
  // Volatile keys are kept like the others: the store has no boot to lose them at.
  (void)Reserved;
  (void)dwOptions;
  (void)lpSecurityAttributes;
  if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
  *phkResult = nullptr;
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = store->Resolve(hKey, handle, true);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::string_view> names;
  rc = SplitPath(lpSubKey, names, ERROR_INVALID_PARAMETER);
  if (rc != ERROR_SUCCESS) return rc;
  if (names.empty() && IsPredefined(hKey)) {
    *phkResult = hKey;
    if (lpdwDisposition != nullptr) *lpdwDisposition = REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  }
  // Windows keeps keys at most 512 levels below their root.
  if (handle->depth + names.size() > kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
  Transaction txn(*store.get(), true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  RegistryStore::KeyInfo info;
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
  *phkResult = store->AddHandle(keyId, MapAccess(samDesired), handle->depth + names.size());
  if (lpdwDisposition != nullptr) {
    *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  }
  return ERROR_SUCCESS;
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey) {
  if (lpSubKey == nullptr) return ERROR_INVALID_PARAMETER;
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = store->Resolve(hKey, handle, true);
  if (rc != ERROR_SUCCESS) return rc;
  std::vector<std::string_view> names;
  rc = SplitPath(lpSubKey, names, ERROR_FILE_NOT_FOUND);
  if (rc != ERROR_SUCCESS) return rc;
  // The handle's access rights do not govern deletion: the key to delete,
  // the handle's own one for an empty name included, is opened anew for it.
  Transaction txn(*store.get(), true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  RegistryStore::KeyInfo info;
  rc = store->GetKey(handle->keyId, info, true);
  if (rc != ERROR_SUCCESS) return rc;
  int64_t target = 0;
  rc = Walk(store.get(), handle->keyId, names, target, true);
  if (rc != ERROR_SUCCESS) return rc;
  int64_t parent = 0;
  rc = store->ParentOf(target, parent);
  if (rc != ERROR_SUCCESS) return rc;
  if (parent == 0) return ERROR_ACCESS_DENIED;  // a predefined root stays
  RegistryStore::KeyInfo targetInfo;
  rc = store->GetKey(target, targetInfo, true);
  if (rc != ERROR_SUCCESS) return rc;
  if (targetInfo.subKeys != 0) return ERROR_ACCESS_DENIED;
  rc = store->DeleteKey(target, parent);
  if (rc != ERROR_SUCCESS) return rc;
  return txn.Commit();
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = ResolveWith(store, hKey, true, KEY_SET_VALUE, handle);
  if (rc != ERROR_SUCCESS) return rc;
  std::string_view name = lpValueName != nullptr ? lpValueName : "";
  Transaction txn(*store.get(), true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  RegistryStore::KeyInfo info;
  rc = store->GetKey(handle->keyId, info, true);
  if (rc != ERROR_SUCCESS) return rc;
  if (name.size() > kMaxValueName) return ERROR_FILE_NOT_FOUND;
  bool found = false;
  rc = store->DeleteValue(handle->keyId, name, found);
  if (rc != ERROR_SUCCESS) return rc;
  if (!found) return ERROR_FILE_NOT_FOUND;
  return txn.Commit();
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved != nullptr || (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = ResolveWith(store, hKey, false, KEY_QUERY_VALUE, handle);
  if (rc != ERROR_SUCCESS) return rc;
  std::string_view name = lpValueName != nullptr ? lpValueName : "";
  // One statement reads the value; the key is looked at only when it is missing.
  Transaction txn(*store.get(), false, true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  RegistryStore::ValueRow row;
  bool found = false;
  if (name.size() <= kMaxValueName) {
    rc = store->GetValue(handle->keyId, name, row, found);
    if (rc != ERROR_SUCCESS) return rc;
  }
  if (!found) {
    RegistryStore::KeyInfo info;
    rc = store->GetKey(handle->keyId, info, false);
    if (rc != ERROR_SUCCESS) return rc;
    // A missing value reads as type REG_NONE; a size query answers 0.
    if (lpType != nullptr) *lpType = REG_NONE;
    if (lpData == nullptr && lpcbData != nullptr) *lpcbData = 0;
    return ERROR_FILE_NOT_FOUND;
  }
  rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  if (lpType != nullptr) *lpType = row.type;
  if (lpcbData == nullptr) return ERROR_SUCCESS;
  DWORD size = static_cast<DWORD>(row.data.size());
  if (lpData != nullptr) {
    if (size > *lpcbData) {
      *lpcbData = size;
      return ERROR_MORE_DATA;
    }
    if (size != 0) std::memcpy(lpData, row.data.data(), size);
    // A string stored without its NUL gets one after it when there is room,
    // as Windows does; the size reported stays the stored one.
    if (IsStringType(row.type) && size != 0 && size < *lpcbData && row.data.back() != '\0') {
      lpData[size] = 0;
    }
  }
  *lpcbData = size;
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                    DWORD cbData) {
  (void)Reserved;
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = ResolveWith(store, hKey, true, KEY_SET_VALUE, handle);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpData == nullptr && cbData != 0) return kErrorNoAccess;
  std::string_view name = lpValueName != nullptr ? lpValueName : "";
  if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  Transaction txn(*store.get(), true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  RegistryStore::KeyInfo info;
  rc = store->GetKey(handle->keyId, info, true);
  if (rc != ERROR_SUCCESS) return rc;
  // Stored exactly as given: a string without its NUL stays without it.
  rc = store->SetValue(handle->keyId, name, dwType, lpData, cbData);
  if (rc != ERROR_SUCCESS) return rc;
  return txn.Commit();
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                      LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                      LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                      LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime) {
  (void)lpReserved;  // ignored, as Windows does
  if (lpClass != nullptr && lpcchClass == nullptr) return ERROR_INVALID_PARAMETER;
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = ResolveWith(store, hKey, false, KEY_QUERY_VALUE, handle);
  if (rc != ERROR_SUCCESS) return rc;
  Transaction txn(*store.get(), false);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  RegistryStore::KeyInfo info;
  rc = store->GetKey(handle->keyId, info, false);
  if (rc != ERROR_SUCCESS) return rc;
  DWORD maxSubKey = 0, maxClass = 0, maxValueName = 0, maxValue = 0;
  if (lpcbMaxSubKeyLen != nullptr || lpcbMaxClassLen != nullptr || lpcbMaxValueNameLen != nullptr ||
      lpcbMaxValueLen != nullptr) {
    rc = store->MaxLengths(handle->keyId, maxSubKey, maxClass, maxValueName, maxValue);
    if (rc != ERROR_SUCCESS) return rc;
  }
  rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  if (lpcSubKeys != nullptr) *lpcSubKeys = info.subKeys;
  if (lpcbMaxSubKeyLen != nullptr) *lpcbMaxSubKeyLen = maxSubKey;
  if (lpcbMaxClassLen != nullptr) *lpcbMaxClassLen = maxClass;
  if (lpcValues != nullptr) *lpcValues = info.values;
  if (lpcbMaxValueNameLen != nullptr) *lpcbMaxValueNameLen = maxValueName;
  if (lpcbMaxValueLen != nullptr) *lpcbMaxValueLen = maxValue;
  if (lpcbSecurityDescriptor != nullptr) *lpcbSecurityDescriptor = 0;
  PutFileTime(lpftLastWriteTime, info.lastWrite);
  if (lpcchClass != nullptr) {
    if (lpClass == nullptr) {
      *lpcchClass = static_cast<DWORD>(info.className.size());
    } else if (!CopyName(info.className, lpClass, lpcchClass)) {
      *lpcchClass = static_cast<DWORD>(info.className.size());
      return ERROR_MORE_DATA;
    }
  }
  return ERROR_SUCCESS;
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  if (lpReserved != nullptr || lpName == nullptr || lpcchName == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  RegistryStore::SubKeyRow row;
  LONG rc = ListingEntry(hKey, dwIndex, kSubKeyListing, row);
  if (rc != ERROR_SUCCESS) return rc;
  if (row.name.size() >= *lpcchName) return ERROR_MORE_DATA;
  if (lpClass != nullptr && lpcchClass != nullptr && row.className.size() >= *lpcchClass) {
    *lpcchClass = static_cast<DWORD>(row.className.size());
    return ERROR_MORE_DATA;
  }
  CopyName(row.name, lpName, lpcchName);
  if (lpClass != nullptr && lpcchClass != nullptr) CopyName(row.className, lpClass, lpcchClass);
  PutFileTime(lpftLastWriteTime, row.lastWrite);
  return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved != nullptr || lpValueName == nullptr || lpcchValueName == nullptr ||
      (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  RegistryStore::ValueRow row;
  LONG rc = ListingEntry(hKey, dwIndex, kValueListing, row);
  if (rc != ERROR_SUCCESS) return rc;
  DWORD size = static_cast<DWORD>(row.data.size());
  if (lpData != nullptr && size > *lpcbData) {
    *lpcbData = size;
    if (lpType != nullptr) *lpType = row.type;
    return ERROR_MORE_DATA;
  }
  if (!CopyName(row.name, lpValueName, lpcchValueName)) {
    // As Windows does: as much of the name as fits, NUL-terminated.
    if (*lpcchValueName != 0) {
      size_t part = *lpcchValueName - 1;
      std::memcpy(lpValueName, row.name.data(), part);
      lpValueName[part] = '\0';
    }
    return ERROR_MORE_DATA;
  }
  if (lpType != nullptr) *lpType = row.type;
  if (lpData != nullptr && size != 0) std::memcpy(lpData, row.data.data(), size);
  if (lpcbData != nullptr) *lpcbData = size;
  return ERROR_SUCCESS;
}

}  // extern "C"
