// The process's one store: its lock, its connection, its handles and its
// transactions. The key and value operations: RegistryStoreQueries.cpp.
#include "platform/emu/RegistryStore.h"

#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <sqlite3.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <new>
#include <thread>
#include <utility>

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

// The journal's shared memory (SQLite's WAL index, its documented layout):
// the first region, the lock a checkpoint holds, and where the first header
// copy keeps its salts and the checkpoint record the frames backfilled and
// attempted.
constexpr int kShmRegion = 32768;
constexpr int kCheckpointLock = 1;
constexpr size_t kCheckpointMarks[] = {32, 36, 96, 128};

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
  // The parent's locks are its own: the child holds none to lose.
  for (int* fd : {&opened_.fd, &opened_.journalFd, &leftJournalFd_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  opened_ = emu::OpenedStore();
  journal_ = nullptr;
  journalFile_ = nullptr;
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
  s->ForgetLeftJournal();
  s->handles_.Clear();
}

void RegistryStore::ForgetLeftJournal() {
  if (leftJournalFd_ >= 0) ::close(leftJournalFd_);
  leftJournalFd_ = -1;
}

RegistryStore::~RegistryStore() { CloseDatabase(); }

void RegistryStore::CloseDatabase() {
  reclaimJournal_ = false;
  shortOfSpace_ = 0;
  st_.reset();
  db_.reset();
  watch_.Stop();
  suspect_ = false;
  // After the connection: closing them before would release its locks.
  if (opened_.fd >= 0) ::close(opened_.fd);
  if (opened_.journalFd >= 0) ::close(opened_.journalFd);
  snapshotLocked_ = false;
  opened_ = emu::OpenedStore();
  journal_ = nullptr;
  journalFile_ = nullptr;
  paths_.Clear();
}

LONG RegistryStore::EnsureOpen(bool write) {
  if (db_) return ERROR_SUCCESS;
  path_ = emu::RegistryStorePath();
  watch_.Watch(path_);  // before the file is named: nothing done to it after goes unseen
  struct stat left {};
  const ino_t leftJournal = leftJournalFd_ >= 0 && ::fstat(leftJournalFd_, &left) == 0 ? left.st_ino : 0;
  LONG rc = emu::OpenStore(path_, busyTimeoutMs_, write, leftJournal, db_, rootIds_, opened_);
  if (rc == ERROR_SUCCESS) {
    st_ = std::make_unique<emu::Statements>();
    rc = st_->Prepare(db_.get());
  }
  if (rc == ERROR_SUCCESS && !opened_.snapshot) {
    watch_.WatchWrites(opened_.fd);
    // The marks to compare with from now on.
    rc = MapJournal() ? LookAtWrites(write, false) : ERROR_SUCCESS;
    overwritten_ = false;
  }
  if (rc != ERROR_SUCCESS) {
    CloseDatabase();  // tried again at the next call
    return rc;
  }
  ForgetLeftJournal();  // held until now so that its name could not go to another
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
    const unsigned seen = watch_.Look();
    if ((seen & emu::PathWatch::kNamed) != 0) suspect_ = true;  // until a stat settles it
    if ((seen & emu::PathWatch::kWritten) != 0 || MarksMoved()) {
      const LONG rc = LookAtWrites(write, (seen & emu::PathWatch::kWritten) != 0);
      if (rc != ERROR_SUCCESS) return rc;
    }
    emu::FileId there;
    if (overwritten_ || (suspect_ && (!emu::FileAt(path_, there) || !(there == opened_.file)))) {
      LeaveReplacedFile(overwritten_);
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
  while (!LockShared(opened_.fd, F_RDLCK)) {
    if (errno != EAGAIN && errno != EACCES) return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    if (std::chrono::steady_clock::now() >= until) return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  snapshotLocked_ = true;
  return ERROR_SUCCESS;
}

void RegistryStore::EndTransaction() {
  if (!snapshotLocked_) return;
  LockShared(opened_.fd, F_UNLCK);
  snapshotLocked_ = false;
}

void RegistryStore::LeaveReplacedFile(bool overwritten) {
  sqlite3* db = db_.get();
  if (!overwritten && !opened_.snapshot && sqlite3_db_readonly(db, "main") == 0) {
    // The journal's pages go into the file they belong to (which may live
    // on under another name), as far as its other readers let them.
    sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  }
  // Closed without the checkpoint and the removal of the journal that a last
  // connection makes: its pages are never written into the file now at the
  // path. The next connection moves the journal out of that file's way.
  sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  overwritten_ = false;
  ForgetLeftJournal();
  leftJournalFd_ = std::exchange(opened_.journalFd, -1);
  CloseDatabase();
  handles_.Orphan();
}

bool RegistryStore::MapJournal() {
  journal_ = nullptr;
  void volatile* region = nullptr;
  if (sqlite3_file_control(db_.get(), "main", SQLITE_FCNTL_FILE_POINTER, &journalFile_) != SQLITE_OK ||
      journalFile_ == nullptr || journalFile_->pMethods == nullptr || journalFile_->pMethods->iVersion < 2 ||
      journalFile_->pMethods->xShmMap(journalFile_, 0, kShmRegion, 0, &region) != SQLITE_OK || region == nullptr) {
    return false;  // no journal mapped: no marks to compare
  }
  journal_ = static_cast<const volatile unsigned char*>(region);
  return true;
}

bool RegistryStore::ReadMarks(unsigned char (&marks)[sizeof marks_]) const {
  if (journal_ == nullptr) return false;
  for (size_t i = 0; i < sizeof marks; ++i) marks[i] = journal_[kCheckpointMarks[i / 4] + i % 4];
  return true;
}

bool RegistryStore::MarksMoved() const {
  unsigned char marks[sizeof marks_];
  return ReadMarks(marks) && std::memcmp(marks, marks_, sizeof marks) != 0;
}

LONG RegistryStore::LookAtWrites(bool write, bool written) {
  if (journal_ == nullptr) return ERROR_SUCCESS;
  // A checkpoint writes the file holding this lock, and marks in the journal
  // what it backfilled before it lets go.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyTimeoutMs_);
  const auto lock = [&](int flags) {
    return journalFile_->pMethods->xShmLock(journalFile_, kCheckpointLock, 1, flags);
  };
  int rc;
  while ((rc = lock(SQLITE_SHM_LOCK | SQLITE_SHM_EXCLUSIVE)) == SQLITE_BUSY) {
    if (std::chrono::steady_clock::now() >= until) return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (rc != SQLITE_OK) return ERROR_SUCCESS;
  unsigned char marks[sizeof marks_];
  ReadMarks(marks);
  // The writes told of up to here are all before these marks.
  const unsigned seen = watch_.Look();
  lock(SQLITE_SHM_UNLOCK | SQLITE_SHM_EXCLUSIVE);
  if ((seen & emu::PathWatch::kNamed) != 0) suspect_ = true;
  written = written || (seen & emu::PathWatch::kWritten) != 0;
  // Written with no checkpoint since the last look, and none left half done
  // (a retry writes again under the same marks): another program wrote it.
  if (written && std::memcmp(marks, marks_, sizeof marks) == 0 && std::memcmp(marks + 8, marks + 12, 4) == 0) {
    overwritten_ = true;
  }
  std::memcpy(marks_, marks, sizeof marks);
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
  // A journal this write began anew, or checkpointed: the marks to compare
  // with from now on (a write of the file seen at the next look is then
  // told apart from it).
  if (write_ && store_.MarksMoved()) store_.LookAtWrites(true, false);
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
