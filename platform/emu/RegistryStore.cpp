// The emulated registry's SQLite store and the process's handle table.
#include "platform/emu/RegistryStore.h"

#include <sqlite3.h>
#include <pthread.h>
#include <pwd.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <new>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

// Marks a database as a registry store ("VtrR"); a database without it that
// already holds tables belongs to someone else and is left alone.
constexpr int kApplicationId = 0x56747252;
constexpr int kSchemaVersion = 1;

// The predefined keys by their low byte; HKEY_PERFORMANCE_DATA (4) is not a
// key of the store.
constexpr const char* kRootNames[7] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                       "HKEY_LOCAL_MACHINE", "HKEY_USERS", nullptr,
                                       "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};
constexpr uint32_t kRootBase = 0x80000000u;

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

std::string Fold(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return folded;
}

// Binds the folded form of a name from a buffer reused call after call
// (the statement is stepped and reset before the buffer changes again).
void BindFolded(sqlite3_stmt* s, int index, std::string_view name) {
  thread_local std::string folded;
  folded.assign(name);
  for (char& c : folded) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  sqlite3_bind_blob(s, index, folded.data(), static_cast<int>(folded.size()), SQLITE_STATIC);
}

int64_t Now() {
  // FILETIME: 100 ns ticks since 1601-01-01.
  auto since1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  return since1970 / 100 + 116444736000000000LL;
}

int BindBlob(sqlite3_stmt* s, int index, std::string_view bytes) {
  // A zero-length blob, never NULL, for empty names and empty data.
  return sqlite3_bind_blob(s, index, bytes.empty() ? "" : bytes.data(),
                           static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

std::string ColumnBytes(sqlite3_stmt* s, int column) {
  const void* p = sqlite3_column_blob(s, column);
  int n = sqlite3_column_bytes(s, column);
  return p == nullptr ? std::string() : std::string(static_cast<const char*>(p), n);
}

// Resets a prepared statement when the step that used it is done.
struct Reset {
  sqlite3_stmt* s;
  ~Reset() { sqlite3_reset(s); }
};

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

// Whether this process may make files in the store's folder.
bool FolderWritable(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  return ::access(folder.c_str(), W_OK) == 0;
}

// The store as an SQLite URI that reads it as a file nobody changes.
std::string ImmutableUri(const std::string& path) {
  std::string uri = "file:";
  static const char hex[] = "0123456789ABCDEF";
  for (unsigned char c : path) {
    if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7F) {
      uri += '%';
      uri += hex[c >> 4];
      uri += hex[c & 15];
    } else {
      uri += static_cast<char>(c);
    }
  }
  return uri + "?immutable=1";
}

void MakeParentDirectories(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    ::mkdir(path.substr(0, slash).c_str(), 0700);  // existing ones answer EEXIST
  }
}

}  // namespace

struct RegistryStore::Statements {
  sqlite3_stmt* begin = nullptr;
  sqlite3_stmt* beginWrite = nullptr;
  sqlite3_stmt* commit = nullptr;
  sqlite3_stmt* rollback = nullptr;
  sqlite3_stmt* getKey = nullptr;
  sqlite3_stmt* findSub = nullptr;
  sqlite3_stmt* insertKey = nullptr;
  sqlite3_stmt* touchKey = nullptr;
  sqlite3_stmt* deleteKey = nullptr;
  sqlite3_stmt* deleteKeyValues = nullptr;
  sqlite3_stmt* parentOf = nullptr;
  sqlite3_stmt* getValue = nullptr;
  sqlite3_stmt* findValue = nullptr;
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

  std::vector<sqlite3_stmt*> all() const {
    return {begin,     beginWrite, commit,      rollback,    getKey,     findSub,
            insertKey, touchKey,   deleteKey,   deleteKeyValues, parentOf, getValue,
            findValue, updateValue, insertValue, deleteValue, valueById, subKeyById,
            listSub,   listVal,    maxSub,      maxVal,      subKeyAt,   valueAt};
  }
  void FinalizeAll() {
    for (sqlite3_stmt* s : all()) sqlite3_finalize(s);
  }
};

// ---------------------------------------------------------------------------
// The process's one store

RegistryStore::Session RegistryStore::Lock() {
  // Never destroyed: a registry call from another static destructor stays
  // safe, and the database's WAL survives an unclosed connection anyway.
  static RegistryStore* store = [] {
    static RegistryStore* made = new RegistryStore;
    // In a forked child only the forking thread lives on: the lock may be
    // held by a thread that is gone, and the connection is the parent's.
    ::pthread_atfork(nullptr, nullptr, [] {
      new (&made->mutex_) std::mutex();
      made->forked_ = true;
    });
    return made;
  }();
  return Session(*store);
}

void RegistryStore::AdoptProcess() {
  if (!forked_) return;
  forked_ = false;
  // A forked child owns neither its parent's connection nor its handles.
  // The connection is abandoned, not closed: closing it here would touch
  // the parent's locks and files.
  if (db_ != nullptr) {
    (void)st_.release();
    db_ = nullptr;
  }
  handles_.clear();
  nextHandle_ = kFirstHandle;
  for (Handle& root : roots_) root = Handle();
}

long RegistryStore::OpenHandleCount() {
  Session s = Lock();
  return static_cast<long>(s->handles_.size());
}

void RegistryStore::SetBusyTimeout(int milliseconds) {
  Session s = Lock();
  s->busyTimeoutMs_ = milliseconds;
  if (s->db_ != nullptr) sqlite3_busy_timeout(s->db_, milliseconds);
}

void RegistryStore::Close() {
  Session s = Lock();
  s->CloseDatabase();
  s->handles_.clear();
  for (Handle& root : s->roots_) root = Handle();
}

std::string RegistryStore::StorePath() {
  const char* explicitPath = std::getenv("VTR_REGISTRY");
  if (explicitPath != nullptr && *explicitPath != '\0') return explicitPath;
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (dataHome != nullptr && dataHome[0] == '/') {
    base = dataHome;  // a relative XDG_DATA_HOME is to be ignored
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
      const passwd* pw = ::getpwuid(::getuid());
      home = pw != nullptr ? pw->pw_dir : "/";
    }
    base = std::string(home) + "/.local/share";
  }
  return base + "/vantorel/registry.db";
}

RegistryStore::~RegistryStore() { CloseDatabase(); }

void RegistryStore::CloseDatabase() {
  if (st_) {
    st_->FinalizeAll();
    st_.reset();
  }
  if (db_ != nullptr) {
    sqlite3_close_v2(db_);
    db_ = nullptr;
  }
}

LONG RegistryStore::EnsureOpen(bool write) {
  if (db_ != nullptr) return ERROR_SUCCESS;
  LONG rc = OpenDatabase(write);
  if (rc != ERROR_SUCCESS) CloseDatabase();  // tried again at the next call
  return rc;
}

LONG RegistryStore::Fail(int sqliteCode, bool write) {
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

LONG RegistryStore::Exec(const char* sql, bool write) {
  int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? ERROR_SUCCESS : Fail(rc, write);
}

LONG RegistryStore::OpenDatabase(bool write) {
  std::string path = StorePath();
  MakeParentDirectories(path);
  // No allocation statistics: they cost a global mutex on every allocation.
  // (Refused harmlessly once SQLite is in use.)
  sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    if (errno != ENOENT) return ERROR_CANTOPEN;
    LONG made = CreateStoreFile(path);
    if (made != ERROR_SUCCESS) return made;
  } else if (S_ISREG(info.st_mode) && info.st_size == 0) {
    // A store is made whole, never empty: this one was cut to nothing (or
    // never was a store). It is left as it is for its owner to look at.
    return ERROR_BADDB;
  }
  // Never created here: a file that vanished since is not made anew empty.
  int rc = sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) return rc == SQLITE_NOMEM ? ERROR_OUTOFMEMORY : ERROR_CANTOPEN;
  sqlite3_extended_result_codes(db_, 0);
  sqlite3_busy_timeout(db_, busyTimeoutMs_);

  auto queryInt = [this](const char* sql, int64_t& out) -> int {
    sqlite3_stmt* s = nullptr;
    int prc = sqlite3_prepare_v2(db_, sql, -1, &s, nullptr);
    if (prc != SQLITE_OK) return prc;
    int src = sqlite3_step(s);
    if (src == SQLITE_ROW) out = sqlite3_column_int64(s, 0);
    sqlite3_finalize(s);
    return src == SQLITE_ROW || src == SQLITE_DONE ? SQLITE_OK : src;
  };
  auto openFailure = [this, write](int code) { return OpenFailure(code, write); };

  int64_t appId = 0;
  rc = queryInt("PRAGMA application_id", appId);
  if (((rc & 0xFF) == SQLITE_CANTOPEN || (rc & 0xFF) == SQLITE_READONLY) && !FolderWritable(path)) {
    // A WAL store needs its -wal and -shm files beside it; in a folder that
    // does not let them be made, no writer can have left any either, so the
    // file alone is the whole store: it is read as a file nobody changes
    // (and every write answers "access denied").
    sqlite3_close_v2(db_);
    db_ = nullptr;
    rc = sqlite3_open_v2(ImmutableUri(path).c_str(), &db_,
                         SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) return rc == SQLITE_NOMEM ? ERROR_OUTOFMEMORY : ERROR_CANTOPEN;
    sqlite3_extended_result_codes(db_, 0);
    rc = queryInt("PRAGMA application_id", appId);
  }
  if (rc != SQLITE_OK) return openFailure(rc);
  // Every store is made with its mark: anything else is someone else's file.
  if (appId != kApplicationId) return ERROR_BADDB;
  int64_t version = 0;
  if ((rc = queryInt("PRAGMA user_version", version)) != SQLITE_OK) return openFailure(rc);
  if (version != kSchemaVersion) return ERROR_BADDB;
  if (Exec("PRAGMA synchronous=NORMAL", false) != ERROR_SUCCESS) return ERROR_CANTOPEN;
  // A page cache that holds a key of 100,000 entries, so that listing a big
  // key grows with its size and not with the pages read again.
  if (Exec("PRAGMA cache_size=-32768", false) != ERROR_SUCCESS) return ERROR_CANTOPEN;

  LONG prepared = Prepare();
  if (prepared != ERROR_SUCCESS) return prepared;

  // The roots, by name.
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, "SELECT id, name FROM keys WHERE parent=0", -1, &s, nullptr) !=
      SQLITE_OK)
    return ERROR_BADDB;
  std::fill(std::begin(rootIds_), std::end(rootIds_), 0);
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    std::string name = ColumnBytes(s, 1);
    for (int i = 0; i < 7; ++i) {
      if (kRootNames[i] != nullptr && name == kRootNames[i]) rootIds_[i] = sqlite3_column_int64(s, 0);
    }
  }
  sqlite3_finalize(s);
  if (rc != SQLITE_DONE) return openFailure(rc);
  for (int i = 0; i < 7; ++i) {
    if (kRootNames[i] != nullptr && rootIds_[i] == 0) return ERROR_BADDB;
  }
  return ERROR_SUCCESS;
}

// Held busy by another process: the call's own code; a foreign or damaged
// file: 1009; anything else: the store cannot be opened.
LONG RegistryStore::OpenFailure(int sqliteCode, bool write) {
  int primary = sqliteCode & 0xFF;
  if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) return Fail(sqliteCode, write);
  LONG mapped = Fail(sqliteCode, write);
  return mapped == ERROR_BADDB || mapped == ERROR_OUTOFMEMORY ? mapped : ERROR_CANTOPEN;
}

LONG RegistryStore::CreateStoreFile(const std::string& path) {
  // Made whole under a name of its own, then put in place: a store is never
  // seen half made, nor empty.
  static int made = 0;
  const std::string temporary = path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(++made);
  ::unlink(temporary.c_str());
  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(temporary.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                           nullptr);
  std::string sql = "PRAGMA journal_mode=WAL; BEGIN;";
  sql += kSchema;
  sql += "PRAGMA application_id=" + std::to_string(kApplicationId) + ";";
  sql += "PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
  std::string now = std::to_string(Now());
  for (const char* root : kRootNames) {
    if (root == nullptr) continue;
    sql += "INSERT INTO keys(parent,name,fold,mtime) VALUES(0,CAST('" + std::string(root) +
           "' AS BLOB),CAST('" + root + "' AS BLOB)," + now + ");";
  }
  sql += "INSERT INTO keys(parent,name,fold,mtime) SELECT id,CAST('SOFTWARE' AS BLOB),"
         "CAST('SOFTWARE' AS BLOB)," + now +
         " FROM keys WHERE parent=0 AND fold=CAST('HKEY_LOCAL_MACHINE' AS BLOB);";
  sql += "UPDATE keys SET nsub=1, gen=1 WHERE parent=0 AND fold=CAST('HKEY_LOCAL_MACHINE' AS BLOB);";
  sql += "COMMIT;";
  if (rc == SQLITE_OK) rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
  // Closing the last connection moves the journal into the file and removes it.
  if (sqlite3_close(db) != SQLITE_OK || rc != SQLITE_OK) {
    ::unlink(temporary.c_str());
    for (const char* suffix : {"-wal", "-shm", "-journal"}) ::unlink((temporary + suffix).c_str());
    return rc == SQLITE_NOMEM ? ERROR_OUTOFMEMORY : ERROR_CANTOPEN;
  }
  // Another process may have put its own in place meanwhile: that one stays.
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

LONG RegistryStore::Prepare() {
  st_ = std::make_unique<Statements>();
  struct {
    sqlite3_stmt** slot;
    const char* sql;
  } list[] = {
      {&st_->begin, "BEGIN"},
      {&st_->beginWrite, "BEGIN IMMEDIATE"},
      {&st_->commit, "COMMIT"},
      {&st_->rollback, "ROLLBACK"},
      {&st_->getKey, "SELECT nsub, nval, gen, mtime, class FROM keys WHERE id=?1"},
      {&st_->findSub, "SELECT id FROM keys WHERE parent=?1 AND fold=?2"},
      {&st_->insertKey, "INSERT INTO keys(parent,name,fold,class,mtime) VALUES(?1,?2,?3,?4,?5)"},
      {&st_->touchKey,
       "UPDATE keys SET nsub=nsub+?2, nval=nval+?3, gen=gen+?4, mtime=?5 WHERE id=?1"},
      {&st_->deleteKey, "DELETE FROM keys WHERE id=?1"},
      {&st_->deleteKeyValues, "DELETE FROM vals WHERE key=?1"},
      {&st_->parentOf, "SELECT parent FROM keys WHERE id=?1"},
      {&st_->getValue, "SELECT name, type, data FROM vals WHERE key=?1 AND fold=?2"},
      {&st_->findValue, "SELECT id FROM vals WHERE key=?1 AND fold=?2"},
      {&st_->updateValue, "UPDATE vals SET type=?2, data=?3 WHERE id=?1"},
      {&st_->insertValue, "INSERT INTO vals(key,name,fold,type,data) VALUES(?1,?2,?3,?4,?5)"},
      {&st_->deleteValue, "DELETE FROM vals WHERE key=?1 AND fold=?2"},
      {&st_->valueById, "SELECT name, type, data FROM vals WHERE id=?1"},
      {&st_->subKeyById, "SELECT name, class, mtime FROM keys WHERE id=?1"},
      {&st_->listSub, "SELECT id FROM keys WHERE parent=?1 ORDER BY fold"},
      {&st_->listVal, "SELECT id FROM vals WHERE key=?1 ORDER BY id"},
      {&st_->maxSub, "SELECT max(length(name)), max(length(class)) FROM keys WHERE parent=?1"},
      {&st_->maxVal, "SELECT max(length(name)), max(length(data)) FROM vals WHERE key=?1"},
      {&st_->subKeyAt,
       "SELECT k.gen, c.id, c.name, c.class, c.mtime FROM keys AS k "
       "LEFT JOIN keys AS c ON c.id=?2 AND c.parent=?1 WHERE k.id=?1"},
      {&st_->valueAt,
       "SELECT k.gen, v.id, v.name, v.type, v.data FROM keys AS k "
       "LEFT JOIN vals AS v ON v.id=?2 AND v.key=?1 WHERE k.id=?1"},
  };
  for (auto& entry : list) {
    int rc = sqlite3_prepare_v3(db_, entry.sql, -1, SQLITE_PREPARE_PERSISTENT, entry.slot, nullptr);
    if (rc != SQLITE_OK) {
      // Missing tables or columns: not a store of ours, or a damaged one.
      LONG mapped = Fail(rc, false);
      return rc == SQLITE_ERROR || mapped == ERROR_BADDB ? ERROR_BADDB : ERROR_CANTOPEN;
    }
  }
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// Handles

LONG RegistryStore::Resolve(HKEY key, Handle*& handle, bool write) {
  handle = nullptr;
  uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
  if (value >= kRootBase && value < kRootBase + 7) {
    uint32_t index = value - kRootBase;
    if (kRootNames[index] == nullptr) return ERROR_INVALID_HANDLE;
    LONG rc = EnsureOpen(write);
    if (rc != ERROR_SUCCESS) return rc;
    roots_[index].keyId = rootIds_[index];
    roots_[index].access = KEY_ALL_ACCESS;
    handle = &roots_[index];
    return ERROR_SUCCESS;
  }
  auto found = handles_.find(value);
  if (found == handles_.end()) return ERROR_INVALID_HANDLE;
  handle = found->second.get();
  return ERROR_SUCCESS;
}

HKEY RegistryStore::AddHandle(int64_t keyId, REGSAM access, size_t depth) {
  while (handles_.count(nextHandle_) != 0) {
    nextHandle_ = nextHandle_ >= kLastHandle ? kFirstHandle : nextHandle_ + 4;
  }
  uint32_t value = nextHandle_;
  nextHandle_ = nextHandle_ >= kLastHandle ? kFirstHandle : nextHandle_ + 4;
  auto handle = std::make_unique<Handle>();
  handle->keyId = keyId;
  handle->access = access;
  handle->depth = depth;
  handles_.emplace(value, std::move(handle));
  return reinterpret_cast<HKEY>(static_cast<uintptr_t>(value));
}

bool RegistryStore::CloseHandle(HKEY key) {
  uint32_t value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(key));
  return handles_.erase(value) != 0;
}

// ---------------------------------------------------------------------------
// Transactions

RegistryStore::Transaction::Transaction(RegistryStore& store, bool write, bool single)
    : store_(store), write_(write) {
  status_ = store_.EnsureOpen(write);
  if (status_ != ERROR_SUCCESS || (single && !write)) return;
  sqlite3_stmt* s = write ? store_.st_->beginWrite : store_.st_->begin;
  int rc = sqlite3_step(s);
  sqlite3_reset(s);
  if (rc != SQLITE_DONE) {
    status_ = store_.Fail(rc, write);
    return;
  }
  open_ = true;
}

RegistryStore::Transaction::~Transaction() {
  if (open_) {
    sqlite3_step(store_.st_->rollback);
    sqlite3_reset(store_.st_->rollback);
  }
}

LONG RegistryStore::Transaction::Commit() {
  if (!open_) return status_;
  int rc = sqlite3_step(store_.st_->commit);
  sqlite3_reset(store_.st_->commit);
  if (rc != SQLITE_DONE) return store_.Fail(rc, write_);  // the destructor rolls back
  open_ = false;
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// Keys

LONG RegistryStore::GetKey(int64_t keyId, KeyInfo& info, bool write) {
  sqlite3_stmt* s = st_->getKey;
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

LONG RegistryStore::FindSubKey(int64_t parentId, std::string_view name, int64_t& childId,
                               bool write) {
  sqlite3_stmt* s = st_->findSub;
  Reset reset{s};
  sqlite3_bind_int64(s, 1, parentId);
  BindFolded(s, 2, name);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return Fail(rc, write);
  childId = sqlite3_column_int64(s, 0);
  return ERROR_SUCCESS;
}

LONG RegistryStore::TouchKey(int64_t keyId, int subKeyDelta, int valueDelta,
                             bool membershipChanged) {
  sqlite3_stmt* s = st_->touchKey;
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  sqlite3_bind_int(s, 2, subKeyDelta);
  sqlite3_bind_int(s, 3, valueDelta);
  sqlite3_bind_int(s, 4, membershipChanged ? 1 : 0);
  sqlite3_bind_int64(s, 5, Now());
  int rc = sqlite3_step(s);
  return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc, true);
}

LONG RegistryStore::CreateSubKey(int64_t parentId, std::string_view name,
                                 std::string_view className, int64_t& childId) {
  {
    sqlite3_stmt* s = st_->insertKey;
    Reset reset{s};
    sqlite3_bind_int64(s, 1, parentId);
    BindBlob(s, 2, name);
    BindBlob(s, 3, Fold(name));
    if (className.empty()) {
      sqlite3_bind_null(s, 4);
    } else {
      BindBlob(s, 4, className);
    }
    sqlite3_bind_int64(s, 5, Now());
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
    childId = sqlite3_last_insert_rowid(db_);
  }
  return TouchKey(parentId, 1, 0, true);
}

LONG RegistryStore::ParentOf(int64_t keyId, int64_t& parentId) {
  sqlite3_stmt* s = st_->parentOf;
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  int rc = sqlite3_step(s);
  if (rc == SQLITE_DONE) return ERROR_KEY_DELETED;
  if (rc != SQLITE_ROW) return Fail(rc, true);
  parentId = sqlite3_column_int64(s, 0);
  return ERROR_SUCCESS;
}

LONG RegistryStore::DeleteKey(int64_t keyId, int64_t parentId) {
  for (sqlite3_stmt* s : {st_->deleteKeyValues, st_->deleteKey}) {
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
  return ListIds(st_->listSub, keyId, ids);
}

LONG RegistryStore::ListValues(int64_t keyId, std::vector<int64_t>& ids) {
  return ListIds(st_->listVal, keyId, ids);
}

LONG RegistryStore::GetSubKeyById(int64_t keyId, SubKeyRow& row, bool& found) {
  sqlite3_stmt* s = st_->subKeyById;
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  return StepOptionalRow(s, row, found);
}

LONG RegistryStore::GetValueById(int64_t valueId, ValueRow& row, bool& found) {
  sqlite3_stmt* s = st_->valueById;
  Reset reset{s};
  sqlite3_bind_int64(s, 1, valueId);
  return StepOptionalRow(s, row, found);
}

LONG RegistryStore::SubKeyAt(int64_t keyId, int64_t subKeyId, int64_t& generation, SubKeyRow& row,
                             bool& found) {
  return EntryAt(st_->subKeyAt, keyId, subKeyId, generation, row, found);
}

LONG RegistryStore::ValueAt(int64_t keyId, int64_t valueId, int64_t& generation, ValueRow& row,
                            bool& found) {
  return EntryAt(st_->valueAt, keyId, valueId, generation, row, found);
}

LONG RegistryStore::MaxLengths(int64_t keyId, DWORD& subKeyName, DWORD& className,
                               DWORD& valueName, DWORD& valueData) {
  for (sqlite3_stmt* s : {st_->maxSub, st_->maxVal}) {
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_ROW) return Fail(rc, false);
    DWORD first = static_cast<DWORD>(sqlite3_column_int64(s, 0));
    DWORD second = static_cast<DWORD>(sqlite3_column_int64(s, 1));
    if (s == st_->maxSub) {
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
  sqlite3_stmt* s = st_->getValue;
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  BindFolded(s, 2, name);
  return StepOptionalRow(s, row, found);
}

LONG RegistryStore::SetValue(int64_t keyId, std::string_view name, DWORD type, const BYTE* data,
                             DWORD size) {
  std::string folded = Fold(name);
  std::string_view bytes(size == 0 ? "" : reinterpret_cast<const char*>(data), size);
  int64_t existing = 0;
  {
    sqlite3_stmt* s = st_->findValue;
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    BindBlob(s, 2, folded);
    int rc = sqlite3_step(s);
    if (rc == SQLITE_ROW) {
      existing = sqlite3_column_int64(s, 0);
    } else if (rc != SQLITE_DONE) {
      return Fail(rc, true);
    }
  }
  if (existing != 0) {
    // Replaced in place: the value keeps its name's spelling and its place.
    sqlite3_stmt* s = st_->updateValue;
    Reset reset{s};
    sqlite3_bind_int64(s, 1, existing);
    sqlite3_bind_int64(s, 2, type);
    BindBlob(s, 3, bytes);
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
    return TouchKey(keyId, 0, 0, false);
  }
  sqlite3_stmt* s = st_->insertValue;
  Reset reset{s};
  sqlite3_bind_int64(s, 1, keyId);
  BindBlob(s, 2, name);
  BindBlob(s, 3, folded);
  sqlite3_bind_int64(s, 4, type);
  BindBlob(s, 5, bytes);
  int rc = sqlite3_step(s);
  if (rc != SQLITE_DONE) return Fail(rc, true);
  return TouchKey(keyId, 0, 1, true);
}

LONG RegistryStore::DeleteValue(int64_t keyId, std::string_view name, bool& found) {
  {
    sqlite3_stmt* s = st_->deleteValue;
    Reset reset{s};
    sqlite3_bind_int64(s, 1, keyId);
    BindBlob(s, 2, Fold(name));
    int rc = sqlite3_step(s);
    if (rc != SQLITE_DONE) return Fail(rc, true);
    found = sqlite3_changes(db_) > 0;
  }
  return found ? TouchKey(keyId, 0, -1, true) : ERROR_SUCCESS;
}
