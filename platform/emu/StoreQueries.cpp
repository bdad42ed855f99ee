// The store's key and value operations and the subkey paths they resolve:
// remembered, walked in one statement, or walked a name at a time.
#include "platform/emu/StoreQueries.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

#include "platform/Strings.h"
#include "platform/emu/Statements.h"
#include "platform/emu/StoreDatabase.h"

namespace emu {

namespace {

std::string Fold(std::string_view name) { return UCaseAscii(std::string(name)); }

// A value's or a subkey's columns in a result row, from column `first` on.
void ReadRow(sqlite3_stmt* s, int first, ValueRow& row) {
  row.name = ColumnBytes(s, first);
  row.type = static_cast<DWORD>(sqlite3_column_int64(s, first + 1));
  row.data = ColumnBytes(s, first + 2);
}

void ReadRow(sqlite3_stmt* s, int first, SubKeyRow& row) {
  row.name = ColumnBytes(s, first);
  row.className = ColumnBytes(s, first + 1);
  row.lastWrite = sqlite3_column_int64(s, first + 2);
}

}  // namespace

StoreQueries::StoreQueries() = default;
StoreQueries::~StoreQueries() = default;

LONG StoreQueries::Attach(sqlite3* db) {
  db_ = db;
  st_ = std::make_unique<Statements>();
  return st_->Prepare(db);
}

void StoreQueries::Detach() {
  st_.reset();
  db_ = nullptr;
  paths_.Clear();
  diskFull_ = false;
}

void StoreQueries::Abandon() {
  (void)st_.release();
  db_ = nullptr;
  paths_.Clear();
}

bool StoreQueries::TakeDiskFull() { return std::exchange(diskFull_, false); }

LONG StoreQueries::Fail(int sqliteCode, bool write) {
  if ((sqliteCode & 0xFF) == SQLITE_FULL) diskFull_ = true;
  return StoreError(sqliteCode, write);
}

// ---------------------------------------------------------------------------
// Transactions

LONG StoreQueries::Begin(bool write) {
  sqlite3_stmt* s = st_->Get(write ? Stmt::beginWrite : Stmt::begin);
  const int rc = sqlite3_step(s);
  sqlite3_reset(s);
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc, write);
}

LONG StoreQueries::Commit(bool write) {
  sqlite3_stmt* s = st_->Get(Stmt::commit);
  const int rc = sqlite3_step(s);
  sqlite3_reset(s);
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc, write);
}

void StoreQueries::Rollback() {
  sqlite3_step(st_->Get(Stmt::rollback));
  sqlite3_reset(st_->Get(Stmt::rollback));
}

// ---------------------------------------------------------------------------
// Keys

LONG StoreQueries::GetKey(int64_t keyId, KeyInfo& info, bool write) {
  sqlite3_stmt* s = st_->Get(Stmt::getKey);
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

LONG StoreQueries::TouchKey(int64_t keyId, int subKeyDelta, int valueDelta, bool membershipChanged) {
  sqlite3_stmt* s = st_->Get(Stmt::touchKey);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  sqlite3_bind_int(s, 2, subKeyDelta);
  sqlite3_bind_int(s, 3, valueDelta);
  sqlite3_bind_int(s, 4, membershipChanged ? 1 : 0);
  sqlite3_bind_int64(s, 5, FileTimeNow());
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE) return Fail(rc, true);
  // No row: the key is gone (the caller's transaction undoes what it wrote).
  return sqlite3_changes(db_) != 0 ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

LONG StoreQueries::CreateSubKey(int64_t parentId, std::string_view name, std::string_view className, int64_t& childId) {
  {
    sqlite3_stmt* s = st_->Get(Stmt::insertKey);
    Reset reset{s};
    sqlite3_bind_int64(s, 1, parentId);
    BindBlob(s, 2, name);
    BindBlob(s, 3, Fold(name));
    if (className.empty()) {
      sqlite3_bind_null(s, 4);
    } else {
      BindBlob(s, 4, className);
    }
    sqlite3_bind_int64(s, 5, FileTimeNow());
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
    childId = sqlite3_last_insert_rowid(db_);
  }
  return TouchKey(parentId, 1, 0, true);
}

LONG StoreQueries::ParentOf(int64_t keyId, int64_t& parentId) {
  sqlite3_stmt* s = st_->Get(Stmt::parentOf);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return Fail(rc, true);
  parentId = sqlite3_column_int64(s, 0);
  return ERROR_SUCCESS;
}

LONG StoreQueries::DeleteKey(int64_t keyId, int64_t parentId) {
  for (sqlite3_stmt* s : {st_->Get(Stmt::deleteKeyValues), st_->Get(Stmt::deleteKey)}) {
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
  }
  return TouchKey(parentId, -1, 0, true);
}

// ---------------------------------------------------------------------------
// Paths

LONG StoreQueries::KeyExists(int64_t keyId, bool write) {
  sqlite3_stmt* s = st_->Get(Stmt::keyExists);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
  return rc == SQLITE_ROW ? ERROR_SUCCESS : Fail(rc, write);
}

LONG StoreQueries::FindSubKey(int64_t parentId, std::string_view name, int64_t& childId, bool write) {
  sqlite3_stmt* s = st_->Get(Stmt::findSub);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, parentId);
  BindFolded(s, 2, name);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return Fail(rc, write);
  childId = sqlite3_column_int64(s, 0);
  return ERROR_SUCCESS;
}

LONG StoreQueries::ResolvePath(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId,
                               bool write) {
  keyId = startId;
  if (names.empty()) return ERROR_SUCCESS;
  if (const int64_t known = paths_.Find(startId, names); known != 0) {
    const LONG rc = KeyExists(known, write);
    if (rc != ERROR_KEY_DELETED) {
      if (rc == ERROR_SUCCESS) keyId = known;
      return rc;
    }
    paths_.Forget(startId, names);  // deleted since: the path may lead elsewhere now
  }
  const LONG rc = names.size() <= Statements::kWalkDepth ? WalkJoined(startId, names, keyId, write)
                                                         : WalkByName(startId, names, keyId, write);
  if (rc == ERROR_SUCCESS) paths_.Remember(startId, names, keyId);
  return rc;
}

LONG StoreQueries::WalkJoined(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId, bool write) {
  sqlite3_stmt* s = st_->Walk(names.size());
  Reset reset{s};
  sqlite3_bind_int64(s, 1, startId);
  // Every name folded into one buffer that outlives the step.
  thread_local std::string folded;
  folded.clear();
  for (std::string_view name : names) folded += name;
  std::transform(folded.begin(), folded.end(), folded.begin(), AsciiUpper);
  size_t at = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    sqlite3_bind_blob(s, static_cast<int>(i) + 2, folded.data() + at, static_cast<int>(names[i].size()), SQLITE_STATIC);
    at += names[i].size();
  }
  const int rc = sqlite3_step(s);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return Fail(rc, write);
  if (rc == SQLITE_ROW && sqlite3_column_type(s, 0) != SQLITE_NULL) {
    keyId = sqlite3_column_int64(s, 0);
    return ERROR_SUCCESS;
  }
  // A name is missing, or the start key is gone: only then is that asked.
  // Outside a transaction the two answers are two moments, each one true.
  const LONG exists = KeyExists(startId, write);
  return exists == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : exists;
}

LONG StoreQueries::WalkByName(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId, bool write) {
  keyId = startId;
  for (std::string_view name : names) {
    int64_t child = 0;
    const LONG rc = FindSubKey(keyId, name, child, write);
    if (rc == ERROR_FILE_NOT_FOUND && keyId == startId) {
      const LONG exists = KeyExists(startId, write);
      if (exists != ERROR_SUCCESS) return exists;
    }
    if (rc != ERROR_SUCCESS) return rc;
    keyId = child;
  }
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// Listings and reads of one row

LONG StoreQueries::ListIds(sqlite3_stmt* s, int64_t keyId, std::vector<int64_t>& ids) {
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  ids.clear();
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) ids.push_back(sqlite3_column_int64(s, 0));
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc, false);
}

template <class Row>
LONG StoreQueries::StepOptionalRow(sqlite3_stmt* s, Row& row, bool& found) {
  int rc = sqlite3_step(s);
  found = rc == SQLITE_ROW;
  if (rc == SQLITE_DONE) return ERROR_SUCCESS;
  if (rc != SQLITE_ROW) return Fail(rc, false);
  ReadRow(s, 0, row);
  return ERROR_SUCCESS;
}

template <class Row>
LONG StoreQueries::EntryAt(sqlite3_stmt* s, int64_t keyId, int64_t entryId, int64_t& generation, Row& row,
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

LONG StoreQueries::ListSubKeys(int64_t keyId, std::vector<int64_t>& ids) {
  return ListIds(st_->Get(Stmt::listSub), keyId, ids);
}

LONG StoreQueries::ListValues(int64_t keyId, std::vector<int64_t>& ids) {
  return ListIds(st_->Get(Stmt::listVal), keyId, ids);
}

LONG StoreQueries::GetSubKeyById(int64_t keyId, SubKeyRow& row, bool& found) {
  sqlite3_stmt* s = st_->Get(Stmt::subKeyById);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  return StepOptionalRow(s, row, found);
}

LONG StoreQueries::GetValueById(int64_t valueId, ValueRow& row, bool& found) {
  sqlite3_stmt* s = st_->Get(Stmt::valueById);
  Reset reset{s};
  sqlite3_bind_int64(s, 1, valueId);
  return StepOptionalRow(s, row, found);
}

LONG StoreQueries::SubKeyAt(int64_t keyId, int64_t subKeyId, int64_t& generation, SubKeyRow& row, bool& found) {
  return EntryAt(st_->Get(Stmt::subKeyAt), keyId, subKeyId, generation, row, found);
}

LONG StoreQueries::ValueAt(int64_t keyId, int64_t valueId, int64_t& generation, ValueRow& row, bool& found) {
  return EntryAt(st_->Get(Stmt::valueAt), keyId, valueId, generation, row, found);
}

LONG StoreQueries::MaxLengths(int64_t keyId, DWORD& subKeyName, DWORD& className, DWORD& valueName, DWORD& valueData) {
  for (sqlite3_stmt* s : {st_->Get(Stmt::maxSub), st_->Get(Stmt::maxVal)}) {
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) return Fail(rc, false);
    DWORD first = static_cast<DWORD>(sqlite3_column_int64(s, 0));
    DWORD second = static_cast<DWORD>(sqlite3_column_int64(s, 1));
    if (s == st_->Get(Stmt::maxSub)) {
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

LONG StoreQueries::GetValue(int64_t keyId, std::string_view name, ValueRow& row, bool& found) {
  sqlite3_stmt* s = st_->Get(Stmt::getValue);
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

LONG StoreQueries::SetValue(int64_t keyId, std::string_view name, DWORD type, const BYTE* data, DWORD size) {
  const std::string folded = Fold(name);
  const std::string_view bytes(size == 0 ? "" : reinterpret_cast<const char*>(data), size);
  {
    // Replaced in place where it exists: the value keeps its name's spelling
    // and its place. One statement finds and writes it.
    sqlite3_stmt* s = st_->Get(Stmt::updateValue);
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    BindBlob(s, 2, folded);
    sqlite3_bind_int64(s, 3, type);
    BindBlob(s, 4, bytes);
    const int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
  }
  if (sqlite3_changes(db_) != 0) return TouchKey(keyId, 0, 0, false);
  sqlite3_stmt* s = st_->Get(Stmt::insertValue);
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

LONG StoreQueries::DeleteValue(int64_t keyId, std::string_view name, bool& found) {
  {
    sqlite3_stmt* s = st_->Get(Stmt::deleteValue);
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    BindBlob(s, 2, Fold(name));
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
    found = sqlite3_changes(db_) > 0;
  }
  return found ? TouchKey(keyId, 0, -1, true) : ERROR_SUCCESS;
}

}  // namespace emu
