#include "platform/emu/StoreDatabase.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>

#include "platform/emu/Statements.h"
#include "platform/emu/StoreJournal.h"
#include "platform/Hex.h"

namespace emu {
namespace {

// Whether this process may make files in the store's folder.
bool FolderWritable(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  return ::access(folder.c_str(), W_OK) == 0;
}

// The store as an SQLite URI that reads it as a file nobody changes.
std::string ImmutableUri(const std::string& path) {
  std::string uri = "file:";
  for (unsigned char c : path) {
    if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7F) {
      uri += '%';
      AppendHex(uri, c, 2);
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri + "?immutable=1";
}

// The one integer a statement yields (left as it is when it yields no row).
int QueryInt(sqlite3* db, const char* sql, int64_t& out) {
  sqlite3_stmt* s = nullptr;
  const int prepared = sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
  if (prepared != SQLITE_OK) return prepared;
  const int rc = sqlite3_step(s);
  if (rc == SQLITE_ROW) out = sqlite3_column_int64(s, 0);
  sqlite3_finalize(s);
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc;
}

LONG Connect(const char* target, int flags, Database& db) {
  sqlite3* opened = nullptr;
  const int rc = sqlite3_open_v2(target, &opened, flags | SQLITE_OPEN_NOMUTEX, nullptr);
  db.reset(opened);  // a failed open still hands over a connection to close
  if (rc != SQLITE_OK) return rc == SQLITE_NOMEM ? ERROR_OUTOFMEMORY : ERROR_CANTOPEN;
  sqlite3_extended_result_codes(opened, 0);
  return ERROR_SUCCESS;
}

// Held busy by another process: the call's own code; a foreign or damaged
// file: 1009; anything else: the store cannot be opened.
LONG OpenFailure(int sqliteCode, bool write) {
  const int primary = sqliteCode & 0xFF;
  const LONG mapped = StoreError(sqliteCode, write);
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) return mapped;
  return mapped == ERROR_BADDB || mapped == ERROR_OUTOFMEMORY ? mapped : ERROR_CANTOPEN;
}

// Connects to the file and reads its mark. A WAL store needs its -wal and
// -shm files beside it, and in a folder that does not let them be made
// SQLite reads it only when both are there (and then sees others' writes).
// With no journal, the file alone is the whole store as it stands: it is
// read as a file nobody changes, which holds only while no writer comes
// (the caller checks that at every transaction). A journal without its
// -shm cannot be read safely: 1011. Writes answer "access denied".
LONG ConnectAndReadMark(const std::string& path, int busyTimeoutMs, bool write, Database& db, bool& snapshot) {
  snapshot = false;
  LONG connected = Connect(path.c_str(), SQLITE_OPEN_READWRITE, db);  // never created here
  if (connected != ERROR_SUCCESS) return connected;
  sqlite3_busy_timeout(db.get(), busyTimeoutMs);
  int64_t mark = 0;
  int rc = QueryInt(db.get(), "PRAGMA application_id", mark);
  if (((rc & 0xFF) == SQLITE_CANTOPEN || (rc & 0xFF) == SQLITE_READONLY) && !FolderWritable(path)) {
    db.reset();
    if (JournalInUse(path)) return ERROR_CANTOPEN;
    connected = Connect(ImmutableUri(path).c_str(), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, db);
    if (connected != ERROR_SUCCESS) return connected;
    snapshot = true;
    rc = QueryInt(db.get(), "PRAGMA application_id", mark);
  }
  if (rc != SQLITE_OK) return OpenFailure(rc, write);
  // Every store is made with its mark: anything else is someone else's file.
  if (mark != kApplicationId) return ERROR_BADDB;
  int64_t version = 0;
  if ((rc = QueryInt(db.get(), "PRAGMA user_version", version)) != SQLITE_OK) return OpenFailure(rc, write);
  return version == kSchemaVersion ? ERROR_SUCCESS : ERROR_BADDB;
}

LONG FindRoots(sqlite3* db, bool write, int64_t (&rootIds)[kRootCount]) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db, "SELECT id, name FROM keys WHERE parent=0", -1, &s, nullptr) != SQLITE_OK)
    return ERROR_BADDB;
  for (int64_t& id : rootIds) id = 0;
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    const std::string name = ColumnBytes(s, 1);
    for (size_t i = 0; i < kRootCount; ++i) {
      if (kRootNames[i] != nullptr && name == kRootNames[i]) rootIds[i] = sqlite3_column_int64(s, 0);
    }
  }
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) return OpenFailure(rc, write);
  for (size_t i = 0; i < kRootCount; ++i) {
    if (kRootNames[i] != nullptr && rootIds[i] == 0) return ERROR_BADDB;
  }
  return ERROR_SUCCESS;
}

}  // namespace

void DatabaseCloser::operator()(sqlite3* db) const { sqlite3_close_v2(db); }

bool FileAt(const std::string& path, FileId& id) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return false;
  id = FileId{info.st_dev, info.st_ino};
  return true;
}

bool JournalInUse(const std::string& path) {
  struct stat info {};
  return ::stat((path + "-wal").c_str(), &info) == 0 && info.st_size > 0;
}

LONG StoreError(int sqliteCode, bool write) {
  switch (sqliteCode & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_SCHEMA:
      return ERROR_BADDB;
    case SQLITE_CANTOPEN:
      return ERROR_CANTOPEN;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    default:  // busy beyond the timeout, I/O errors, a full disk
      return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
  }
}

LONG OpenStore(const std::string& path, int busyTimeoutMs, bool write, ino_t leftJournal, Database& db,
               int64_t (&rootIds)[kRootCount], OpenedStore& opened) {
  MakeParentDirectories(path);
  // No allocation statistics: they cost a global mutex on every allocation.
  // (Refused harmlessly once SQLite is in use.)
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) return ERROR_CANTOPEN;
    const LONG made = CreateStoreFile(path);
    if (made != ERROR_SUCCESS) return made;
  } else if (S_ISREG(info.st_mode) && info.st_size == 0) {
    // A store is made whole, never empty: this one was cut to nothing (or
    // never was a store). It is left as it is for its owner to look at.
    return ERROR_BADDB;
  }
  // Opened before the connection opens it: a file put in its place meanwhile
  // is then found out at the first transaction.
  opened.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (opened.fd < 0 || ::fstat(opened.fd, &info) != 0 || !S_ISREG(info.st_mode)) return ERROR_CANTOPEN;
  opened.file = FileId{info.st_dev, info.st_ino};
  LONG rc = LockOpening(opened.fd, busyTimeoutMs, write);
  if (rc != ERROR_SUCCESS) return rc;
  if (FolderWritable(path)) rc = ClaimJournal(path, opened.fd, leftJournal, write);
  if (rc == ERROR_SUCCESS) rc = ConnectAndReadMark(path, busyTimeoutMs, write, db, opened.snapshot);
  // The journal the connection has just opened, before another opener may move it.
  if (rc == ERROR_SUCCESS && !opened.snapshot) {
    opened.journalFd = ::open((path + "-shm").c_str(), O_RDONLY | O_CLOEXEC);
  }
  UnlockOpening(opened.fd);
  if (rc != ERROR_SUCCESS) return rc;
  // A commit hands its pages to the system (write()) before it returns, so a
  // crashed process loses nothing it was told is written; waiting for the
  // disk as well (fsync) would guard against a crash of the system only, at
  // the price of a disk flush at every checkpoint.
  if (sqlite3_exec(db.get(), "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr) != SQLITE_OK)
    return ERROR_CANTOPEN;
  // A page cache that holds a key of 100,000 entries, so that listing a big
  // key grows with its size and not with the pages read again.
  if (sqlite3_exec(db.get(), "PRAGMA cache_size=-32768", nullptr, nullptr, nullptr) != SQLITE_OK)
    return ERROR_CANTOPEN;
  return FindRoots(db.get(), write, rootIds);
}

}  // namespace emu
