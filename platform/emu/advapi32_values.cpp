// advapi32's value functions for systems without Windows, on the emulated
// registry store: reading, writing and deleting a value, and what a key
// holds (RegQueryInfoKeyA).
#include <cstring>
#include <string>
#include <string_view>

#include "platform/emu/RegistryCall.h"
#include "platform/modAPI.h"

namespace {

using emu::Handle;
using emu::kMaxValueName;
using emu::Transaction;

constexpr LONG kErrorNoAccess = 998;  // ERROR_NOACCESS: a data pointer that cannot be read

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

extern "C" {

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = emu::ResolveWith(store, hKey, true, KEY_SET_VALUE, handle);
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
  LONG rc = emu::ResolveWith(store, hKey, false, KEY_QUERY_VALUE, handle);
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
  LONG rc = emu::ResolveWith(store, hKey, true, KEY_SET_VALUE, handle);
  if (rc != ERROR_SUCCESS) return rc;
  if (lpData == nullptr && cbData != 0) return kErrorNoAccess;
  std::string_view name = lpValueName != nullptr ? lpValueName : "";
  if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  Transaction txn(*store.get(), true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  // Stored exactly as given: a string without its NUL stays without it. A
  // deleted key answers 1018 from the write itself, which is then undone.
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
  LONG rc = emu::ResolveWith(store, hKey, false, KEY_QUERY_VALUE, handle);
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
  emu::PutFileTime(lpftLastWriteTime, info.lastWrite);
  if (lpcchClass != nullptr) {
    if (lpClass == nullptr) {
      *lpcchClass = static_cast<DWORD>(info.className.size());
    } else if (!emu::CopyName(info.className, lpClass, lpcchClass)) {
      *lpcchClass = static_cast<DWORD>(info.className.size());
      return ERROR_MORE_DATA;
    }
  }
  return ERROR_SUCCESS;
}

}  // extern "C"
