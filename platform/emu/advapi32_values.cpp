// advapi32's value functions for systems without Windows, on the emulated
// registry store: reading, writing and deleting a value, and what a key
// holds (RegQueryInfoKeyA).
#include <string>
#include <string_view>

#include "platform/emu/RegistryCall.h"
#include "platform/modAPI.h"

namespace {

using emu::Handle;
using emu::kMaxValueName;
using emu::RegistryStore;
using emu::Transaction;

constexpr LONG kErrorNoAccess = 998;  // ERROR_NOACCESS: a data pointer that cannot be read

}  // namespace

extern "C" {

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName) {
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = emu::ResolveWith(store, hKey, true, KEY_SET_VALUE, handle);
  if (rc != ERROR_SUCCESS) return rc;
  std::string_view name = lpValueName != nullptr ? lpValueName : "";
  Transaction txn(store, true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  emu::KeyInfo info;
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
  Transaction txn(store, false, true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  emu::ValueRow row;
  bool found = false;
  if (name.size() <= kMaxValueName) {
    rc = store->GetValue(handle->keyId, name, row, found);
    if (rc != ERROR_SUCCESS) return rc;
  }
  if (!found) {
    emu::KeyInfo info;
    rc = store->GetKey(handle->keyId, info, false);
    if (rc != ERROR_SUCCESS) return rc;
    // A missing value reads as type REG_NONE; a size query answers 0.
    if (lpType != nullptr) *lpType = REG_NONE;
    if (lpData == nullptr && lpcbData != nullptr) *lpcbData = 0;
    return ERROR_FILE_NOT_FOUND;
  }
  rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  // The room is read before the type is written: a caller may point both
  // at one variable, and Windows then answers by the room it was given.
  const DWORD room = lpcbData != nullptr ? *lpcbData : 0;
  if (lpType != nullptr) *lpType = row.type;
  if (lpcbData == nullptr) return ERROR_SUCCESS;
  const DWORD size = static_cast<DWORD>(row.data.size());
  *lpcbData = size;
  if (lpData == nullptr) return ERROR_SUCCESS;
  return emu::CopyData(row, lpData, room) ? ERROR_SUCCESS : ERROR_MORE_DATA;
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
  // A string whose size leaves out its NUL while a NUL follows it is stored
  // with that NUL, as Windows does (it reads the byte after the data); any
  // other data is stored exactly as given.
  if (emu::IsStringType(dwType) && cbData != 0 && lpData[cbData - 1] != 0 && lpData[cbData] == 0) ++cbData;
  Transaction txn(store, true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  // A deleted key answers 1018 from the write itself, which is then undone.
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
  Transaction txn(store, false);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  emu::KeyInfo info;
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
  if (lpcchClass == nullptr) return ERROR_SUCCESS;
  // No buffer, or one of no length: the class's length, and success.
  if (lpClass == nullptr || *lpcchClass == 0) {
    *lpcchClass = static_cast<DWORD>(info.className.size());
    return ERROR_SUCCESS;
  }
  if (emu::CopyName(info.className, lpClass, lpcchClass)) return ERROR_SUCCESS;
  // Too short: as much of the class as fits, with its NUL, and its length.
  emu::CopyNamePart(info.className, lpClass, *lpcchClass);
  *lpcchClass -= 1;
  return ERROR_MORE_DATA;
}

}  // extern "C"
