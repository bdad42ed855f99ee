#pragma once
// The statement cache of a store connection: every statement the registry
// calls run, prepared once when the store opens and kept until it closes;
// and the few helpers that bind and read their parameters and columns.

#include <sqlite3.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/modAPI.h"

namespace emu {

// Every statement but the walks, listed once: its name and its SQL. The ids,
// the SQL table and the owning handles are all made from this list, so a
// statement added here is prepared at open and finalized at close.
#define EMU_STATEMENTS(X)                                                                          \
  X(begin, "BEGIN")                                                                                \
  X(beginWrite, "BEGIN IMMEDIATE")                                                                 \
  X(commit, "COMMIT")                                                                              \
  X(rollback, "ROLLBACK")                                                                          \
  X(getKey, "SELECT nsub, nval, gen, mtime, class FROM keys WHERE id=?1")                           \
  X(keyExists, "SELECT 1 FROM keys WHERE id=?1")                                                   \
  X(findSub, "SELECT id FROM keys WHERE parent=?1 AND fold=?2")                                    \
  X(insertKey, "INSERT INTO keys(parent,name,fold,class,mtime) VALUES(?1,?2,?3,?4,?5)")            \
  X(touchKey, "UPDATE keys SET nsub=nsub+?2, nval=nval+?3, gen=gen+?4, mtime=?5 WHERE id=?1")      \
  X(deleteKey, "DELETE FROM keys WHERE id=?1")                                                     \
  X(deleteKeyValues, "DELETE FROM vals WHERE key=?1")                                              \
  X(parentOf, "SELECT parent FROM keys WHERE id=?1")                                               \
  X(getValue, "SELECT type, data FROM vals WHERE key=?1 AND fold=?2")                              \
  X(updateValue, "UPDATE vals SET type=?3, data=?4 WHERE key=?1 AND fold=?2")                      \
  X(insertValue, "INSERT INTO vals(key,name,fold,type,data) VALUES(?1,?2,?3,?4,?5)")               \
  X(deleteValue, "DELETE FROM vals WHERE key=?1 AND fold=?2")                                      \
  X(valueById, "SELECT name, type, data FROM vals WHERE id=?1")                                    \
  X(subKeyById, "SELECT name, class, mtime FROM keys WHERE id=?1")                                 \
  X(listSub, "SELECT id FROM keys WHERE parent=?1 ORDER BY fold")                                  \
  X(listVal, "SELECT id FROM vals WHERE key=?1 ORDER BY id")                                       \
  X(maxSub, "SELECT max(length(name)), max(length(class)) FROM keys WHERE parent=?1")              \
  X(maxVal, "SELECT max(length(name)), max(value_size(type, data)) FROM vals WHERE key=?1")        \
  X(subKeyAt,                                                                                      \
    "SELECT k.gen, c.id, c.name, c.class, c.mtime FROM keys AS k "                                 \
    "LEFT JOIN keys AS c ON c.id=?2 AND c.parent=?1 WHERE k.id=?1")                                \
  X(valueAt,                                                                                       \
    "SELECT k.gen, v.id, v.name, v.type, v.data FROM keys AS k "                                   \
    "LEFT JOIN vals AS v ON v.id=?2 AND v.key=?1 WHERE k.id=?1")

enum class Stmt : size_t {
#define EMU_STATEMENT_ID(name, sql) name,
  EMU_STATEMENTS(EMU_STATEMENT_ID)
#undef EMU_STATEMENT_ID
};

// Finalizes a statement when its owner lets it go.
struct StatementFinalizer {
  void operator()(sqlite3_stmt* s) const { sqlite3_finalize(s); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

class Statements {
 public:
  // A path of 1 to kWalkDepth names walked down from a key in one statement:
  // one lookup per level and no transaction of its own (SQLite's joins stop
  // at 64 tables; deeper paths are walked a name at a time).
  static constexpr size_t kWalkDepth = 8;
  static constexpr size_t kNamedCount = 0
#define EMU_STATEMENT_COUNT(name, sql) +1
      EMU_STATEMENTS(EMU_STATEMENT_COUNT)
#undef EMU_STATEMENT_COUNT
      ;

  // Prepares them all on `db`: ERROR_BADDB when the store lacks a table or
  // column they name (not a store of ours, or a damaged one).
  LONG Prepare(sqlite3* db);

  sqlite3_stmt* Get(Stmt id) const { return owned_[static_cast<size_t>(id)].get(); }
  // The walk down `depth` names (1 to kWalkDepth).
  sqlite3_stmt* Walk(size_t depth) const { return owned_[kNamedCount + depth - 1].get(); }

 private:
  // The named statements by id, then the walks by depth: one array owns them
  // all, so none outlives the store's connection.
  std::array<Statement, kNamedCount + kWalkDepth> owned_;
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
