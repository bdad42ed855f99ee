#pragma once
// The statement cache of a store connection: every statement the registry
// calls run, prepared once when the store opens and kept until it closes;
// and the few helpers that bind and read their parameters and columns.

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "platform/modAPI.h"

namespace emu {

struct Statements {
  sqlite3_stmt* begin = nullptr;
  sqlite3_stmt* beginWrite = nullptr;
  sqlite3_stmt* commit = nullptr;
  sqlite3_stmt* rollback = nullptr;
  sqlite3_stmt* getKey = nullptr;
  sqlite3_stmt* keyExists = nullptr;
  sqlite3_stmt* findSub = nullptr;
  sqlite3_stmt* insertKey = nullptr;
  sqlite3_stmt* touchKey = nullptr;
  sqlite3_stmt* deleteKey = nullptr;
  sqlite3_stmt* deleteKeyValues = nullptr;
  sqlite3_stmt* parentOf = nullptr;
  sqlite3_stmt* getValue = nullptr;
  sqlite3_stmt* updateValue = nullptr;
  sqlite3_stmt* insertValue = nullptr;
  sqlite3_stmt* deleteValue = nullptr;
  sqlite3_stmt* valueById = nullptr;
  sqlite3_stmt* subKeyById = nullptr;
  sqlite3_stmt* listSub = nullptr;
  sqlite3_stmt* listVal = nullptr;
  sqlite3_stmt* maxSub = nullptr;
  sqlite3_stmt* maxVal = nullptr;
  sqlite3_stmt* subKeyAt = nullptr;
  sqlite3_stmt* valueAt = nullptr;
  // A path of 1 to kWalkDepth names walked down from a key in one statement:
  // one lookup per level and no transaction of its own (SQLite's joins stop
  // at 64 tables; deeper paths are walked a name at a time).
  static constexpr size_t kWalkDepth = 8;
  sqlite3_stmt* walk[kWalkDepth] = {};

  Statements() = default;
  Statements(const Statements&) = delete;
  Statements& operator=(const Statements&) = delete;
  ~Statements();

  // Prepares them all on `db`: ERROR_BADDB when the store lacks a table or
  // column they name (not a store of ours, or a damaged one).
  LONG Prepare(sqlite3* db);
};

// Resets a statement when the step that used it is done.
struct Reset {
  sqlite3_stmt* s;
  ~Reset() { sqlite3_reset(s); }
};

// Binds bytes as a blob: a zero-length one, never NULL, for empty names and data.
int BindBlob(sqlite3_stmt* s, int index, std::string_view bytes);

// Binds the case-folded form of a name from a buffer reused call after call
// (the statement is stepped and reset before the buffer changes again).
void BindFolded(sqlite3_stmt* s, int index, std::string_view name);

// A blob or text column's bytes ("" for NULL).
std::string ColumnBytes(sqlite3_stmt* s, int column);

}  // namespace emu
