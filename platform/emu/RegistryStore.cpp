// The process's one store: its lock, its connection, its handles and its
// transactions. The key and value operations: RegistryStoreQueries.cpp.
#include "platform/emu/RegistryStore.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <new>

#include "platform/emu/Statements.h"
#include "platform/emu/UserData.h"

namespace {

// SQLite's own checkpoint interval, in journal pages.
constexpr int kJournalPages = 1000;

// The bytes of a store file that SQLite's connections lock: a shared lock
// there is what a closing writer must wait out before it checkpoints.
constexpr off_t kSharedLockStart = 0x40000000 + 2;
constexpr off_t kSharedLockLength = 510;

// How long a read relies on the last look at the store's path.
constexpr std::chrono::milliseconds kLookInterval{1};

bool LockShared(int fd, short type) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = kSharedLockStart;
  lock.l_len = kSharedLockLength;
  return ::fcntl(fd, F_SETLK, &lock) == 0;
}

}  // namespace

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
  if (db_) {
    (void)st_.release();
    (void)db_.release();
  }
  watch_.Stop();  // the parent's watch is its own
  if (snapshotFd_ >= 0) ::close(snapshotFd_);  // the parent's locks are its own
  snapshotFd_ = -1;
  snapshotLocked_ = false;
  handles_ = emu::HandleTable();
  paths_.Clear();
}

long RegistryStore::OpenHandleCount() {
  Session s = Lock();
  return static_cast<long>(s->handles_.size());
}

void RegistryStore::SetBusyTimeout(int milliseconds) {
  Session s = Lock();
  s->busyTimeoutMs_ = milliseconds;
  if (s->db_) sqlite3_busy_timeout(s->db_.get(), milliseconds);
}

void RegistryStore::Close() {
  Session s = Lock();
  s->CloseDatabase();
  s->handles_.Clear();
}

RegistryStore::~RegistryStore() { CloseDatabase(); }

void RegistryStore::CloseDatabase() {
  reclaimJournal_ = false;
  shortOfSpace_ = 0;
  st_.reset();
  db_.reset();
  watch_.Stop();
  suspect_ = false;
  if (snapshotFd_ >= 0) ::close(snapshotFd_);
  snapshotFd_ = -1;
  snapshotLocked_ = false;
  opened_ = emu::OpenedStore();
  paths_.Clear();
}

LONG RegistryStore::EnsureOpen(bool write) {
  if (db_) return ERROR_SUCCESS;
  path_ = emu::RegistryStorePath();
  watch_.Watch(path_);  // before the file is named: nothing done to it after goes unseen
  LONG rc = emu::OpenStore(path_, busyTimeoutMs_, write, db_, rootIds_, opened_);
  if (rc == ERROR_SUCCESS) {
    st_ = std::make_unique<emu::Statements>();
    rc = st_->Prepare(db_.get());
  }
  if (rc == ERROR_SUCCESS && opened_.snapshot) {
    snapshotFd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (snapshotFd_ < 0) rc = ERROR_CANTOPEN;
  }
  if (rc != ERROR_SUCCESS) {
    CloseDatabase();  // tried again at the next call
    return rc;
  }
  // The roots name this file's keys (another file's, after a replacement).
  for (size_t i = 0; i < emu::kRootCount; ++i) handles_.Root(i, rootIds_[i]);
  return ERROR_SUCCESS;
}

LONG RegistryStore::BeginTransaction(bool write) {
  // A write looks every time: none is acknowledged that the file at the
  // path does not hold. A read looks when a millisecond has passed since
  // the last look (a system call costs as much as a short read here).
  const auto now = std::chrono::steady_clock::now();
  if (db_ && (write || opened_.snapshot || now - lastLook_ >= kLookInterval)) {
    lastLook_ = now;
    if (watch_.MayHaveChanged()) suspect_ = true;  // until a stat settles it
    emu::FileId there;
    if (suspect_ && (!emu::FileAt(path_, there) || !(there == opened_.file))) {
      const LONG rc = LeaveReplacedFile();
      if (rc != ERROR_SUCCESS) return rc;
    }
    suspect_ = false;
  }
  LONG rc = EnsureOpen(write);
  if (rc != ERROR_SUCCESS || !opened_.snapshot) return rc;
  rc = LockSnapshot(write);
  if (rc != ERROR_SUCCESS) return rc;
  if (emu::JournalInUse(path_)) {
    // A writer began since: the store is read with its journal from now on
    // (the same file: the handles stay as they are).
    EndTransaction();
    CloseDatabase();
    rc = EnsureOpen(write);
    return rc != ERROR_SUCCESS || !opened_.snapshot ? rc : LockSnapshot(write);
  }
  // Others may have changed the file since the pages were read.
  sqlite3_db_release_memory(db_.get());
  return ERROR_SUCCESS;
}

LONG RegistryStore::LockSnapshot(bool write) {
  // A writer that closes takes SQLite's exclusive lock to checkpoint into the
  // file: not while this read holds the shared one.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyTimeoutMs_);
  while (!LockShared(snapshotFd_, F_RDLCK)) {
    if (errno != EAGAIN && errno != EACCES) return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    if (std::chrono::steady_clock::now() >= until) return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  snapshotLocked_ = true;
  return ERROR_SUCCESS;
}

void RegistryStore::EndTransaction() {
  if (!snapshotLocked_) return;
  LockShared(snapshotFd_, F_UNLCK);
  snapshotLocked_ = false;
}

LONG RegistryStore::LeaveReplacedFile() {
  sqlite3* db = db_.get();
  if (!opened_.snapshot && sqlite3_db_readonly(db, "main") == 0) {
    // The journal beside the path holds pages of the file this connection
    // holds: they go into that file and the journal is emptied, so that no
    // one reads them as pages of the file that is there now.
    if (sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr) != SQLITE_OK)
      return ERROR_BADDB;
  }
  // Closed without the checkpoint and the removal of the journal that a
  // last connection makes: the journal now belongs to the file at the path.
  sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  CloseDatabase();
  handles_.Orphan();
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// Handles

LONG RegistryStore::Resolve(HKEY key, Handle*& handle, bool write) {
  const int root = emu::PredefinedIndex(key);
  if (root < 0) {
    handle = handles_.Find(key);
    return handle != nullptr ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  }
  handle = nullptr;
  if (emu::kRootNames[root] == nullptr) return ERROR_INVALID_HANDLE;
  const LONG rc = EnsureOpen(write);
  if (rc != ERROR_SUCCESS) return rc;
  handle = handles_.Root(static_cast<size_t>(root), rootIds_[root]);
  return ERROR_SUCCESS;
}

HKEY RegistryStore::AddHandle(int64_t keyId, REGSAM access, size_t depth) {
  return handles_.Add(keyId, access, depth);
}

bool RegistryStore::CloseHandle(HKEY key) { return handles_.Remove(key); }

// ---------------------------------------------------------------------------
// Transactions

RegistryStore::Transaction::Transaction(RegistryStore& store, bool write, bool single)
    : store_(store), write_(write) {
  status_ = store_.BeginTransaction(write);
  if (status_ != ERROR_SUCCESS || (single && !write)) return;
  sqlite3_stmt* s = write ? store_.st_->Get(emu::Stmt::beginWrite) : store_.st_->Get(emu::Stmt::begin);
  const int rc = sqlite3_step(s);
  sqlite3_reset(s);
  if (rc != SQLITE_DONE) {
    status_ = store_.Fail(rc, write);
    return;
  }
  open_ = true;
}

RegistryStore::Transaction::~Transaction() {
  if (open_) {
    sqlite3_step(store_.st_->Get(emu::Stmt::rollback));
    sqlite3_reset(store_.st_->Get(emu::Stmt::rollback));
  }
  if (store_.reclaimJournal_) store_.ReclaimJournal();
  store_.EndTransaction();
}

LONG RegistryStore::Transaction::Commit() {
  if (!open_) return status_;
  const int rc = sqlite3_step(store_.st_->Get(emu::Stmt::commit));
  sqlite3_reset(store_.st_->Get(emu::Stmt::commit));
  if (rc != SQLITE_DONE) return store_.Fail(rc, write_);  // the destructor rolls back
  open_ = false;
  if (write_ && store_.shortOfSpace_ > 0 && --store_.shortOfSpace_ == 0) {
    sqlite3_wal_autocheckpoint(store_.db_.get(), kJournalPages);
  }
  return ERROR_SUCCESS;
}

LONG RegistryStore::Fail(int sqliteCode, bool write) {
  if ((sqliteCode & 0xFF) == SQLITE_FULL) reclaimJournal_ = true;
  return emu::StoreError(sqliteCode, write);
}

void RegistryStore::ReclaimJournal() {
  reclaimJournal_ = false;
  if (!db_) return;
  // Outside any transaction; when others are reading it waits for them no
  // longer than the busy timeout, and what it could not move stays where it is.
  sqlite3_wal_checkpoint_v2(db_.get(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  sqlite3_wal_autocheckpoint(db_.get(), 1);
  shortOfSpace_ = kJournalPages;
}
