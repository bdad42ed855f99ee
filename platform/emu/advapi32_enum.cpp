// advapi32's listings for systems without Windows, on the emulated
// registry store: a key's subkeys and values by index.
#include <string>
#include <vector>

#include "platform/emu/RegistryCall.h"
#include "platform/modAPI.h"

namespace {

using emu::Handle;
using emu::RegistryStore;
using emu::StoreQueries;
using emu::Transaction;

// A key's listing of subkeys or of values: the right it needs, where a
// handle keeps it, and how the store reads it.
template <class Row>
struct Listing {
  REGSAM right;
  int64_t Handle::*keptGeneration;
  std::vector<int64_t> Handle::*keptIds;
  // The key's generation with the entry of a given id (if any), in one statement.
  LONG (StoreQueries::*entryAt)(int64_t keyId, int64_t entryId, int64_t& generation, Row& row, bool& found);
  // The ids of all entries, in listing order.
  LONG (StoreQueries::*list)(int64_t keyId, std::vector<int64_t>& ids);
  LONG (StoreQueries::*byId)(int64_t entryId, Row& row, bool& found);
};
// Subkeys in case-insensitive name order.
constexpr Listing<emu::SubKeyRow> kSubKeyListing{
    KEY_ENUMERATE_SUB_KEYS,   &Handle::subKeyGeneration,   &Handle::subKeyIds,
    &StoreQueries::SubKeyAt, &StoreQueries::ListSubKeys, &StoreQueries::GetSubKeyById};
// Values in creation order.
constexpr Listing<emu::ValueRow> kValueListing{
    KEY_QUERY_VALUE,         &Handle::valueGeneration,   &Handle::valueIds,
    &StoreQueries::ValueAt, &StoreQueries::ListValues, &StoreQueries::GetValueById};

// Entry `index` of an open key's listing (ERROR_NO_MORE_ITEMS past its end).
// The listing's ids are read once and kept in the handle while the key's
// generation holds, so that entry i costs one lookup by id, not a scan of i
// entries; the generation comes in the same statement as the entry. When it
// has moved on, the ids are read anew in a transaction of their own.
template <class Row>
LONG ListingEntry(HKEY hKey, DWORD index, const Listing<Row>& listing, Row& row) {
  auto store = RegistryStore::Lock();
  Handle* handle = nullptr;
  LONG rc = emu::ResolveWith(store, hKey, false, listing.right, handle);
  if (rc != ERROR_SUCCESS) return rc;
  Transaction txn(store, false, true);
  if (txn.status() != ERROR_SUCCESS) return txn.status();
  int64_t& keptGeneration = handle->*listing.keptGeneration;
  std::vector<int64_t>& keptIds = handle->*listing.keptIds;
  bool found = false;
  int64_t generation = 0;
  int64_t wanted = index < keptIds.size() ? keptIds[index] : 0;
  rc = (store.queries().*listing.entryAt)(handle->keyId, wanted, generation, row, found);
  if (rc != ERROR_SUCCESS) return rc;
  if (generation != keptGeneration) {
    Transaction reading(store, false);
    if (reading.status() != ERROR_SUCCESS) return reading.status();
    keptGeneration = -1;
    rc = (store.queries().*listing.entryAt)(handle->keyId, 0, generation, row, found);
    if (rc == ERROR_SUCCESS) rc = (store.queries().*listing.list)(handle->keyId, keptIds);
    found = false;
    if (rc == ERROR_SUCCESS && index < keptIds.size()) {
      rc = (store.queries().*listing.byId)(keptIds[index], row, found);
    }
    if (rc == ERROR_SUCCESS) rc = reading.Commit();
    if (rc != ERROR_SUCCESS) return rc;
    keptGeneration = generation;
  }
  return found ? ERROR_SUCCESS : ERROR_NO_MORE_ITEMS;
}

}  // namespace

extern "C" {

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
                   LPSTR lpClass, LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
  if (lpReserved != nullptr || lpName == nullptr || lpcchName == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  emu::SubKeyRow row;
  LONG rc = ListingEntry(hKey, dwIndex, kSubKeyListing, row);
  if (rc != ERROR_SUCCESS) return rc;
  if (row.name.size() >= *lpcchName) return ERROR_MORE_DATA;
  if (lpClass != nullptr && lpcchClass != nullptr && row.className.size() >= *lpcchClass) {
    *lpcchClass = static_cast<DWORD>(row.className.size());
    return ERROR_MORE_DATA;
  }
  emu::CopyName(row.name, lpName, lpcchName);
  if (lpClass != nullptr && lpcchClass != nullptr) emu::CopyName(row.className, lpClass, lpcchClass);
  emu::PutFileTime(lpftLastWriteTime, row.lastWrite);
  return ERROR_SUCCESS;
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName,
                   LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  if (lpReserved != nullptr || lpValueName == nullptr || lpcchValueName == nullptr ||
      (lpData != nullptr && lpcbData == nullptr)) {
    return ERROR_INVALID_PARAMETER;
  }
  emu::ValueRow row;
  LONG rc = ListingEntry(hKey, dwIndex, kValueListing, row);
  if (rc != ERROR_SUCCESS) return rc;
  const DWORD size = static_cast<DWORD>(row.data.size());
  // A name or data that does not fit answers 234 with the value's type and
  // size. Data that fits is copied even when the name does not, as Windows
  // does in a single-byte code page (the program's); a name too long is then
  // copied as far as it fits, NUL-terminated. Data too long leaves both
  // buffers alone.
  const bool dataFits = lpData == nullptr || size <= *lpcbData;
  bool nameFits = false;
  if (dataFits) {
    if (lpData != nullptr) emu::CopyData(row, lpData, *lpcbData);
    nameFits = emu::CopyName(row.name, lpValueName, lpcchValueName);
    if (!nameFits) emu::CopyNamePart(row.name, lpValueName, *lpcchValueName);
  }
  if (lpType != nullptr) *lpType = row.type;
  if (lpcbData != nullptr) *lpcbData = size;
  return nameFits ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

}  // extern "C"
