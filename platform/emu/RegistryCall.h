#pragma once
// What the emulated advapi32 functions share: the store's types, a handle
// resolved with its rights checked, and names and times copied out as
// Windows hands them over.

#include <cstring>
#include <string>

#include "platform/emu/RegistryStore.h"
#include "platform/modAPI.h"

namespace emu {

using Handle = KeyHandle;
using Transaction = RegistryStore::Transaction;

constexpr size_t kMaxValueName = 16383;

// Resolves a handle for a call and checks that it grants `rights`.
inline LONG ResolveWith(RegistryStore::Session& store, HKEY hKey, bool write, REGSAM rights, Handle*& handle) {
  LONG rc = store.Resolve(hKey, handle, write);
  if (rc != ERROR_SUCCESS) return rc;
  return (handle->access & rights) == rights ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Copies a name with its NUL into a buffer of `capacity` characters.
inline bool CopyName(const std::string& name, LPSTR buffer, LPDWORD capacity) {
  if (name.size() >= *capacity) return false;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *capacity = static_cast<DWORD>(name.size());
  return true;
}

// What a name too long for its buffer leaves there, as Windows does: as
// much of it as fits, NUL-terminated (nothing in a buffer of no length).
inline void CopyNamePart(const std::string& name, LPSTR buffer, DWORD capacity) {
  if (capacity == 0) return;
  std::memcpy(buffer, name.data(), capacity - 1);
  buffer[capacity - 1] = '\0';
}

inline bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Copies a value's data into a buffer of `room` bytes: false when it does
// not fit (nothing copied). A string stored without its NUL gets one after
// it when there is room, as Windows does; the size reported stays the
// stored one.
inline bool CopyData(const ValueRow& row, LPBYTE data, DWORD room) {
  const size_t size = row.data.size();
  if (size > room) return false;
  if (size != 0) std::memcpy(data, row.data.data(), size);
  if (IsStringType(row.type) && size != 0 && size < room && row.data.back() != '\0') data[size] = 0;
  return true;
}

inline void PutFileTime(PFILETIME out, int64_t ticks) {
  if (out == nullptr) return;
  out->dwLowDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) & 0xFFFFFFFFu);
  out->dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
}

}  // namespace emu
