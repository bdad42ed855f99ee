// The process's one store: its lock, its connection, its handles and its
// transactions. The key and value operations: RegistryStoreQueries.cpp.
#include "platform/emu/RegistryStore.h"

#include <pthread.h>

#include <new>

#include "platform/emu/Statements.h"
#include "platform/emu/UserData.h"

namespace {

// SQLite's own checkpoint interval, in journal pages.
constexpr int kJournalPages = 1000;

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
  paths_.Clear();
}

LONG RegistryStore::EnsureOpen(bool write) {
  if (db_) return ERROR_SUCCESS;
  LONG rc = emu::OpenStore(emu::RegistryStorePath(), busyTimeoutMs_, write, db_, rootIds_);
  if (rc == ERROR_SUCCESS) {
    st_ = std::make_unique<emu::Statements>();
    rc = st_->Prepare(db_.get());
  }
  if (rc != ERROR_SUCCESS) CloseDatabase();  // tried again at the next call
  return rc;
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
  status_ = store_.EnsureOpen(write);
  if (status_ != ERROR_SUCCESS || (single && !write)) return;
  sqlite3_stmt* s = write ? store_.st_->beginWrite : store_.st_->begin;
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
    sqlite3_step(store_.st_->rollback);
    sqlite3_reset(store_.st_->rollback);
  }
  if (store_.reclaimJournal_) store_.ReclaimJournal();
}

LONG RegistryStore::Transaction::Commit() {
  if (!open_) return status_;
  const int rc = sqlite3_step(store_.st_->commit);
  sqlite3_reset(store_.st_->commit);
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
