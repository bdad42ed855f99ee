#pragma once
// The store's key and value operations: the statements of one connection,
// run inside a registry call's transaction, and the subkey paths they have
// resolved. Every member returns a Windows result code; `write` picks the
// code of a failure (1012 for reads, 1013 for writes).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emu/PathCache.h"
#include "platform/modAPI.h"

struct sqlite3;
struct sqlite3_stmt;

namespace emu {

class Statements;

// A key as a handle sees it. Key ids are never reused, so a handle whose
// key was deleted finds no row and answers ERROR_KEY_DELETED.
struct KeyInfo {
  int64_t id = 0;
  uint32_t subKeys = 0;
  uint32_t values = 0;
  int64_t generation = 0;  // changes whenever the set of subkeys or values does
  int64_t lastWrite = 0;   // FILETIME ticks
  std::string className;
};

struct ValueRow {
  std::string name;
  DWORD type = REG_NONE;
  std::string data;
};

struct SubKeyRow {
  std::string name;
  std::string className;
  int64_t lastWrite = 0;
};

class StoreQueries {
 public:
  StoreQueries();
  ~StoreQueries();
  StoreQueries(const StoreQueries&) = delete;
  StoreQueries& operator=(const StoreQueries&) = delete;

  // Prepares every statement on a connection just opened (ERROR_BADDB when
  // the store lacks a table or column they name).
  LONG Attach(sqlite3* db);
  // Finalizes them, before their connection closes, and forgets the paths.
  void Detach();
  // In a forked child: the parent's statements are let go unfinalized.
  void Abandon();
  // Whether a failure since the last call was for want of space.
  bool TakeDiskFull();

  // The transaction's own statements.
  LONG Begin(bool write);
  LONG Commit(bool write);
  void Rollback();

  LONG GetKey(int64_t keyId, KeyInfo& info, bool write);
  // ERROR_SUCCESS, or ERROR_KEY_DELETED when the key is gone.
  LONG KeyExists(int64_t keyId, bool write);
  LONG FindSubKey(int64_t parentId, std::string_view name, int64_t& childId, bool write);
  // The key `names` lead to from `startId` (the start key itself for no
  // names): ERROR_FILE_NOT_FOUND for a missing name, ERROR_KEY_DELETED when
  // the start key is gone. A path of more than Statements::kWalkDepth names
  // needs the caller's transaction; a shorter one is read in one statement.
  LONG ResolvePath(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId, bool write);
  LONG CreateSubKey(int64_t parentId, std::string_view name, std::string_view className, int64_t& childId);
  LONG DeleteKey(int64_t keyId, int64_t parentId);
  LONG ParentOf(int64_t keyId, int64_t& parentId);
  // A value's type and data (row.name is left as it is).
  LONG GetValue(int64_t keyId, std::string_view name, ValueRow& row, bool& found);
  // ERROR_KEY_DELETED when the key is gone (its transaction is then to be undone).
  LONG SetValue(int64_t keyId, std::string_view name, DWORD type, const BYTE* data, DWORD size);
  LONG DeleteValue(int64_t keyId, std::string_view name, bool& found);
  LONG GetValueById(int64_t valueId, ValueRow& row, bool& found);
  LONG GetSubKeyById(int64_t keyId, SubKeyRow& row, bool& found);
  // One statement, one snapshot: the key's generation (ERROR_KEY_DELETED
  // when it is gone) with the subkey or value of the given id, if any.
  LONG SubKeyAt(int64_t keyId, int64_t subKeyId, int64_t& generation, SubKeyRow& row, bool& found);
  LONG ValueAt(int64_t keyId, int64_t valueId, int64_t& generation, ValueRow& row, bool& found);
  LONG ListSubKeys(int64_t keyId, std::vector<int64_t>& ids);
  LONG ListValues(int64_t keyId, std::vector<int64_t>& ids);
  // Longest subkey name and class, longest value name and data (string
  // data counted by its UTF-16 size, as Windows keeps it).
  LONG MaxLengths(int64_t keyId, DWORD& subKeyName, DWORD& className, DWORD& valueName, DWORD& valueData);

 private:
  // The Windows code of an SQLite failure, noting one for want of space.
  LONG Fail(int sqliteCode, bool write);
  LONG TouchKey(int64_t keyId, int subKeyDelta, int valueDelta, bool membershipChanged);
  // A path walked in one statement (up to Statements::kWalkDepth names), or
  // a name at a time.
  LONG WalkJoined(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId, bool write);
  LONG WalkByName(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId, bool write);
  // The statements of the listings and lookups, their parameters bound here
  // or by the caller: the ids a key lists; the one row a bound statement
  // yields, if any (a value's or a subkey's columns first); a key's generation
  // with the entry of a given id (ERROR_KEY_DELETED when the key is gone).
  LONG ListIds(sqlite3_stmt* s, int64_t keyId, std::vector<int64_t>& ids);
  template <class Row>
  LONG StepOptionalRow(sqlite3_stmt* s, Row& row, bool& found);
  template <class Row>
  LONG EntryAt(sqlite3_stmt* s, int64_t keyId, int64_t entryId, int64_t& generation, Row& row, bool& found);

  sqlite3* db_ = nullptr;
  std::unique_ptr<Statements> st_;
  PathCache paths_;  // of this connection's store
  bool diskFull_ = false;
};

}  // namespace emu
