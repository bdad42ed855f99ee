#include "platform/emu/Statements.h"

#include <algorithm>

#include "platform/emu/CodePage.h"
#include "platform/emu/StoreDatabase.h"
#include "platform/modStrings.h"

namespace emu {
namespace {

LONG PrepareOne(sqlite3* db, const char* sql, sqlite3_stmt** slot) {
  const int rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, slot, nullptr);
  if (rc == SQLITE_OK) return ERROR_SUCCESS;
  // Missing tables or columns: not a store of ours, or a damaged one.
  const LONG mapped = StoreError(rc, false);
  return rc == SQLITE_ERROR || mapped == ERROR_BADDB ? ERROR_BADDB : ERROR_CANTOPEN;
}

// The key `depth` names below key ?1, the names in ?2, ?3...: no row or
// NULL when a name is missing.
std::string WalkSql(size_t depth) {
  std::string sql = "SELECT k";
  sql += std::to_string(depth);
  sql += ".id FROM keys AS k1";
  for (size_t i = 2; i <= depth; ++i) {
    const std::string k = std::to_string(i), parent = std::to_string(i - 1), name = std::to_string(i + 1);
    sql.append(" LEFT JOIN keys AS k").append(k);
    sql.append(" ON k").append(k).append(".parent=k").append(parent).append(".id");
    sql.append(" AND k").append(k).append(".fold=?").append(name);
  }
  sql += " WHERE k1.parent=?1 AND k1.fold=?2";
  return sql;
}

// value_size(type, data): the size Windows counts a value's data by, that
// of its UTF-16 form for the string types.
void ValueSize(sqlite3_context* context, int, sqlite3_value** argv) {
  const sqlite3_int64 type = sqlite3_value_int64(argv[0]);
  const void* blob = sqlite3_value_blob(argv[1]);
  const int bytes = sqlite3_value_bytes(argv[1]);
  if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) {
    sqlite3_result_int64(context, bytes);
    return;
  }
  const std::string_view text(blob == nullptr ? "" : static_cast<const char*>(blob), static_cast<size_t>(bytes));
  sqlite3_result_int64(context, 2 * static_cast<sqlite3_int64>(Utf16Units(text)));
}

}  // namespace

Statements::~Statements() {
  for (sqlite3_stmt* s : {begin,       beginWrite,  commit,    rollback,   getKey,    keyExists, findSub,
                          insertKey,   touchKey,    deleteKey, deleteKeyValues, parentOf, getValue,
                          updateValue, insertValue, deleteValue, valueById, subKeyById, listSub,
                          listVal,     maxSub,      maxVal,    subKeyAt,   valueAt})
    sqlite3_finalize(s);
  for (sqlite3_stmt* s : walk) sqlite3_finalize(s);
}

LONG Statements::Prepare(sqlite3* db) {
  if (sqlite3_create_function(db, "value_size", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                              ValueSize, nullptr, nullptr) != SQLITE_OK)
    return ERROR_OUTOFMEMORY;
  const struct {
    sqlite3_stmt** slot;
    const char* sql;
  } list[] = {
      {&begin, "BEGIN"},
      {&beginWrite, "BEGIN IMMEDIATE"},
      {&commit, "COMMIT"},
      {&rollback, "ROLLBACK"},
      {&getKey, "SELECT nsub, nval, gen, mtime, class FROM keys WHERE id=?1"},
      {&keyExists, "SELECT 1 FROM keys WHERE id=?1"},
      {&findSub, "SELECT id FROM keys WHERE parent=?1 AND fold=?2"},
      {&insertKey, "INSERT INTO keys(parent,name,fold,class,mtime) VALUES(?1,?2,?3,?4,?5)"},
      {&touchKey, "UPDATE keys SET nsub=nsub+?2, nval=nval+?3, gen=gen+?4, mtime=?5 WHERE id=?1"},
      {&deleteKey, "DELETE FROM keys WHERE id=?1"},
      {&deleteKeyValues, "DELETE FROM vals WHERE key=?1"},
      {&parentOf, "SELECT parent FROM keys WHERE id=?1"},
      {&getValue, "SELECT type, data FROM vals WHERE key=?1 AND fold=?2"},
      {&updateValue, "UPDATE vals SET type=?3, data=?4 WHERE key=?1 AND fold=?2"},
      {&insertValue, "INSERT INTO vals(key,name,fold,type,data) VALUES(?1,?2,?3,?4,?5)"},
      {&deleteValue, "DELETE FROM vals WHERE key=?1 AND fold=?2"},
      {&valueById, "SELECT name, type, data FROM vals WHERE id=?1"},
      {&subKeyById, "SELECT name, class, mtime FROM keys WHERE id=?1"},
      {&listSub, "SELECT id FROM keys WHERE parent=?1 ORDER BY fold"},
      {&listVal, "SELECT id FROM vals WHERE key=?1 ORDER BY id"},
      {&maxSub, "SELECT max(length(name)), max(length(class)) FROM keys WHERE parent=?1"},
      {&maxVal, "SELECT max(length(name)), max(value_size(type, data)) FROM vals WHERE key=?1"},
      {&subKeyAt,
       "SELECT k.gen, c.id, c.name, c.class, c.mtime FROM keys AS k "
       "LEFT JOIN keys AS c ON c.id=?2 AND c.parent=?1 WHERE k.id=?1"},
      {&valueAt,
       "SELECT k.gen, v.id, v.name, v.type, v.data FROM keys AS k "
       "LEFT JOIN vals AS v ON v.id=?2 AND v.key=?1 WHERE k.id=?1"},
  };
  for (const auto& entry : list) {
    const LONG rc = PrepareOne(db, entry.sql, entry.slot);
    if (rc != ERROR_SUCCESS) return rc;
  }
  for (size_t depth = 1; depth <= kWalkDepth; ++depth) {
    const LONG rc = PrepareOne(db, WalkSql(depth).c_str(), &walk[depth - 1]);
    if (rc != ERROR_SUCCESS) return rc;
  }
  return ERROR_SUCCESS;
}

int BindBlob(sqlite3_stmt* s, int index, std::string_view bytes) {
  return sqlite3_bind_blob(s, index, bytes.empty() ? "" : bytes.data(), static_cast<int>(bytes.size()),
                           SQLITE_TRANSIENT);
}

void BindFolded(sqlite3_stmt* s, int index, std::string_view name) {
  thread_local std::string folded;
  folded.resize(name.size());
  std::transform(name.begin(), name.end(), folded.begin(), AsciiUpper);
  sqlite3_bind_blob(s, index, folded.data(), static_cast<int>(folded.size()), SQLITE_STATIC);
}

std::string ColumnBytes(sqlite3_stmt* s, int column) {
  const void* p = sqlite3_column_blob(s, column);
  const int n = sqlite3_column_bytes(s, column);
  return p == nullptr ? std::string() : std::string(static_cast<const char*>(p), static_cast<size_t>(n));
}

}  // namespace emu
