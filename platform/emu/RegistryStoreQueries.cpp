// The store's key and value operations, each inside a registry call's
// transaction.
#include <sqlite3.h>

#include <algorithm>

#include "platform/emu/RegistryStore.h"
#include "platform/emu/Statements.h"
#include "platform/Strings.h"

using emu::BindBlob;
using emu::BindFolded;
using emu::ColumnBytes;
using emu::Reset;

namespace {

std::string Fold(std::string_view name) { return UCaseAscii(std::string(name)); }

// A value's or a subkey's columns in a result row, from column `first` on.
void ReadRow(sqlite3_stmt* s, int first, RegistryStore::ValueRow& row) {
  row.name = ColumnBytes(s, first);
  row.type = static_cast<DWORD>(sqlite3_column_int64(s, first + 1));
  row.data = ColumnBytes(s, first + 2);
}

void ReadRow(sqlite3_stmt* s, int first, RegistryStore::SubKeyRow& row) {
  row.name = ColumnBytes(s, first);
  row.className = ColumnBytes(s, first + 1);
  row.lastWrite = sqlite3_column_int64(s, first + 2);
}

}  // namespace

// ---------------------------------------------------------------------------
// Keys

LONG RegistryStore::GetKey(int64_t keyId, KeyInfo& info, bool write) {
  sqlite3_stmt* s = st_->Get(emu::Stmt::getKey);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return Fail(rc, write);
  info.id = keyId;
  info.subKeys = static_cast<uint32_t>(sqlite3_column_int64(s, 0));
  info.values = static_cast<uint32_t>(sqlite3_column_int64(s, 1));
  info.generation = sqlite3_column_int64(s, 2);
  info.lastWrite = sqlite3_column_int64(s, 3);
  info.className = ColumnBytes(s, 4);
  return ERROR_SUCCESS;
}

LONG RegistryStore::TouchKey(int64_t keyId, int subKeyDelta, int valueDelta,
                             bool membershipChanged) {
  sqlite3_stmt* s = st_->Get(emu::Stmt::touchKey);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  sqlite3_bind_int(s, 2, subKeyDelta);
  sqlite3_bind_int(s, 3, valueDelta);
  sqlite3_bind_int(s, 4, membershipChanged ? 1 : 0);
  sqlite3_bind_int64(s, 5, emu::FileTimeNow());
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE) return Fail(rc, true);
  // No row: the key is gone (the caller's transaction undoes what it wrote).
  return sqlite3_changes(db_.get()) != 0 ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG RegistryStore::CreateSubKey(int64_t parentId, std::string_view name,
                                 std::string_view className, int64_t& childId) {
  {
    sqlite3_stmt* s = st_->Get(emu::Stmt::insertKey);
    Reset reset{s};
    sqlite3_bind_int64(s, 1, parentId);
    BindBlob(s, 2, name);
    BindBlob(s, 3, Fold(name));
    if (className.empty()) {
      sqlite3_bind_null(s, 4);
    } else {
      BindBlob(s, 4, className);
    }
    sqlite3_bind_int64(s, 5, emu::FileTimeNow());
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
    childId = sqlite3_last_insert_rowid(db_.get());
  }
  return TouchKey(parentId, 1, 0, true);
}

LONG RegistryStore::ParentOf(int64_t keyId, int64_t& parentId) {
  sqlite3_stmt* s = st_->Get(emu::Stmt::parentOf);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return Fail(rc, true);
  parentId = sqlite3_column_int64(s, 0);
  return ERROR_SUCCESS;
}

LONG RegistryStore::DeleteKey(int64_t keyId, int64_t parentId) {
  for (sqlite3_stmt* s : {st_->Get(emu::Stmt::deleteKeyValues), st_->Get(emu::Stmt::deleteKey)}) {
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
  }
  return TouchKey(parentId, -1, 0, true);
}

// ---------------------------------------------------------------------------
// Listings and reads of one row

LONG RegistryStore::ListIds(sqlite3_stmt* s, int64_t keyId, std::vector<int64_t>& ids) {
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  ids.clear();
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(s, 0));
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc, false);
}

template <class Row>
LONG RegistryStore::StepOptionalRow(sqlite3_stmt* s, Row& row, bool& found) {
  int rc = sqlite3_step(s);
  found = rc == SQLITE_ROW;
  if (rc == SQLITE_DONE) return ERROR_SUCCESS;
  if (rc != SQLITE_ROW) return Fail(rc, false);
  ReadRow(s, 0, row);
  return ERROR_SUCCESS;
}

template <class Row>
LONG RegistryStore::EntryAt(sqlite3_stmt* s, int64_t keyId, int64_t entryId, int64_t& generation, Row& row,
                            bool& found) {
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  sqlite3_bind_int64(s, 2, entryId);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return Fail(rc, false);
  generation = sqlite3_column_int64(s, 0);
  found = sqlite3_column_type(s, 1) != SQLITE_NULL;
  if (found) ReadRow(s, 2, row);
  return ERROR_SUCCESS;
}

LONG RegistryStore::ListSubKeys(int64_t keyId, std::vector<int64_t>& ids) {
  return ListIds(st_->Get(emu::Stmt::listSub), keyId, ids);
}

LONG RegistryStore::ListValues(int64_t keyId, std::vector<int64_t>& ids) {
  return ListIds(st_->Get(emu::Stmt::listVal), keyId, ids);
}

LONG RegistryStore::GetSubKeyById(int64_t keyId, SubKeyRow& row, bool& found) {
  sqlite3_stmt* s = st_->Get(emu::Stmt::subKeyById);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  return StepOptionalRow(s, row, found);
}

LONG RegistryStore::GetValueById(int64_t valueId, ValueRow& row, bool& found) {
  sqlite3_stmt* s = st_->Get(emu::Stmt::valueById);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, valueId);
  return StepOptionalRow(s, row, found);
}

LONG RegistryStore::SubKeyAt(int64_t keyId, int64_t subKeyId, int64_t& generation, SubKeyRow& row,
                             bool& found) {
  return EntryAt(st_->Get(emu::Stmt::subKeyAt), keyId, subKeyId, generation, row, found);
}

LONG RegistryStore::ValueAt(int64_t keyId, int64_t valueId, int64_t& generation, ValueRow& row,
                            bool& found) {
  return EntryAt(st_->Get(emu::Stmt::valueAt), keyId, valueId, generation, row, found);
}

LONG RegistryStore::MaxLengths(int64_t keyId, DWORD& subKeyName, DWORD& className,
                               DWORD& valueName, DWORD& valueData) {
  for (sqlite3_stmt* s : {st_->Get(emu::Stmt::maxSub), st_->Get(emu::Stmt::maxVal)}) {
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) return Fail(rc, false);
    DWORD first = static_cast<DWORD>(sqlite3_column_int64(s, 0));
    DWORD second = static_cast<DWORD>(sqlite3_column_int64(s, 1));
    if (s == st_->Get(emu::Stmt::maxSub)) {
      subKeyName = first;
      className = second;
    } else {
      valueName = first;
      valueData = second;
    }
  }
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// Values

LONG RegistryStore::GetValue(int64_t keyId, std::string_view name, ValueRow& row, bool& found) {
  sqlite3_stmt* s = st_->Get(emu::Stmt::getValue);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  BindFolded(s, 2, name);
  const int rc = sqlite3_step(s);
  found = rc == SQLITE_ROW;
  if (rc == SQLITE_DONE) return ERROR_SUCCESS;
  if (rc != SQLITE_ROW) return Fail(rc, false);
  // The caller named the value: its stored spelling is not read.
  row.type = static_cast<DWORD>(sqlite3_column_int64(s, 0));
  row.data = ColumnBytes(s, 1);
  return ERROR_SUCCESS;
}

LONG RegistryStore::SetValue(int64_t keyId, std::string_view name, DWORD type, const BYTE* data,
                             DWORD size) {
  const std::string folded = Fold(name);
  const std::string_view bytes(size == 0 ? "" : reinterpret_cast<const char*>(data), size);
  {
    // Replaced in place where it exists: the value keeps its name's spelling
    // and its place. One statement finds and writes it.
    sqlite3_stmt* s = st_->Get(emu::Stmt::updateValue);
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    BindBlob(s, 2, folded);
    sqlite3_bind_int64(s, 3, type);
    BindBlob(s, 4, bytes);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
  }
  if (sqlite3_changes(db_.get()) != 0) return TouchKey(keyId, 0, 0, false);
  sqlite3_stmt* s = st_->Get(emu::Stmt::insertValue);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  BindBlob(s, 2, name);
  BindBlob(s, 3, folded);
  sqlite3_bind_int64(s, 4, type);
  BindBlob(s, 5, bytes);
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE) return Fail(rc, true);
  return TouchKey(keyId, 0, 1, true);
}

LONG RegistryStore::DeleteValue(int64_t keyId, std::string_view name, bool& found) {
  {
    sqlite3_stmt* s = st_->Get(emu::Stmt::deleteValue);
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    BindBlob(s, 2, Fold(name));
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
    found = sqlite3_changes(db_.get()) > 0;
  }
  return found ? TouchKey(keyId, 0, -1, true) : ERROR_SUCCESS;
}
