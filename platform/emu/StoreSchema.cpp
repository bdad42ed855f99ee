#include "platform/emu/StoreSchema.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace emu {
namespace {

const char* const kSchema = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,  -- never reused: a stale handle finds nothing
  parent INTEGER NOT NULL,               -- 0 for the predefined roots
  name BLOB NOT NULL,                    -- spelled as created
  fold BLOB NOT NULL,                    -- ASCII upper case: matching and listing order
  class BLOB,
  mtime INTEGER NOT NULL,                -- FILETIME ticks
  nsub INTEGER NOT NULL DEFAULT 0,
  nval INTEGER NOT NULL DEFAULT 0,
  gen INTEGER NOT NULL DEFAULT 0         -- bumped when a subkey or value comes or goes
);
CREATE UNIQUE INDEX keys_by_name ON keys(parent, fold);
CREATE TABLE vals(
  id INTEGER PRIMARY KEY,                -- rising: the order of creation
  key INTEGER NOT NULL,
  name BLOB NOT NULL,
  fold BLOB NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL
);
CREATE UNIQUE INDEX vals_by_name ON vals(key, fold);
CREATE INDEX vals_by_key ON vals(key);
)sql";

// The whole content of a new store, in one transaction. Pages of 1 KiB: a
// registry row is small, and every commit writes and checksums whole pages
// into the journal, so a write costs a quarter of what 4 KiB pages cost.
std::string NewStoreSql() {
  std::string sql = "PRAGMA page_size=1024; PRAGMA journal_mode=WAL; BEGIN;";
  sql += kSchema;
  sql += "PRAGMA application_id=" + std::to_string(kApplicationId) + ";";
  sql += "PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
  const std::string now = std::to_string(FileTimeNow());
  for (const char* root : kRootNames) {
    if (root == nullptr) continue;
    sql += "INSERT INTO keys(parent,name,fold,mtime) VALUES(0,CAST('" + std::string(root) +
           "' AS BLOB),CAST('" + root + "' AS BLOB)," + now + ");";
  }
  sql += "INSERT INTO keys(parent,name,fold,mtime) SELECT id,CAST('SOFTWARE' AS BLOB),"
         "CAST('SOFTWARE' AS BLOB)," + now +
         " FROM keys WHERE parent=0 AND fold=CAST('HKEY_LOCAL_MACHINE' AS BLOB);";
  sql += "UPDATE keys SET nsub=1, gen=1 WHERE parent=0 AND fold=CAST('HKEY_LOCAL_MACHINE' AS BLOB);";
  return sql + "COMMIT;";
}

// Puts the finished file in place unless another process did first.
LONG PlaceStoreFile(const std::string& temporary, const std::string& path) {
  int placed = ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
  if (placed != 0 && errno != EEXIST) {
    // A file system without that flag: a hard link is as careful.
    placed = ::link(temporary.c_str(), path.c_str());
    if (placed != 0 && errno != EEXIST) placed = ::rename(temporary.c_str(), path.c_str());
  }
  const int error = placed == 0 ? 0 : errno;
  ::unlink(temporary.c_str());
  return placed == 0 || error == EEXIST ? ERROR_SUCCESS : ERROR_CANTOPEN;
}

}  // namespace

int64_t FileTimeNow() {
  const auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
  return since1970 / 100 + 116444736000000000LL;
}

void MakeParentDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0700);  // existing ones answer EEXIST
  }
}

LONG CreateStoreFile(const std::string& path) {
  static int made = 0;
  const std::string temporary = path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(++made);
  ::unlink(temporary.c_str());
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, NewStoreSql().c_str(), nullptr, nullptr, nullptr);
  // Closing the last connection moves the journal into the file and removes it.
  if (sqlite3_close(db) != SQLITE_OK || rc != SQLITE_OK) {
    ::unlink(temporary.c_str());
    for (const char* suffix : {"-wal", "-shm", "-journal"}) ::unlink((temporary + suffix).c_str());
    return rc == SQLITE_NOMEM ? ERROR_OUTOFMEMORY : ERROR_CANTOPEN;
  }
  return PlaceStoreFile(temporary, path);
}

}  // namespace emu
