#include "platform/emu/Statements.h"

#include <algorithm>

#include "platform/emu/CodePage.h"
#include "platform/emu/StoreDatabase.h"
#include "platform/Strings.h"

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

LONG Statements::Prepare(sqlite3* db) {
  if (sqlite3_create_function(db, "value_size", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                              ValueSize, nullptr, nullptr) != SQLITE_OK)
    return ERROR_OUTOFMEMORY;
  static constexpr const char* kSql[kNamedCount] = {
#define EMU_STATEMENT_SQL(name, sql) sql,
      EMU_STATEMENTS(EMU_STATEMENT_SQL)
#undef EMU_STATEMENT_SQL
  };
  for (size_t i = 0; i < owned_.size(); ++i) {
    const std::string walk = i < kNamedCount ? std::string() : WalkSql(i - kNamedCount + 1);
    sqlite3_stmt* s = nullptr;
    const LONG rc = PrepareOne(db, i < kNamedCount ? kSql[i] : walk.c_str(), &s);
    owned_[i].reset(s);
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
