// The process's one store: its lock, and its file, statements and handles
// kept in step through each registry call's transaction.
#include "platform/emu/RegistryStore.h"

#include <pthread.h>

#include <new>

namespace emu {

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
  // Rescue of a forked child: it owns neither its parent's connection nor
  // its handles, and leaves the parent's files, locks and watch as they are,
  // so that a child never hides a replaced file from its parent
  // (AStoreReplacedUnderTwoProcessesIsTheOneBothWriteAfterwards).
  queries_.Abandon();
  file_.Abandon();
  handles_ = HandleTable();
}

long RegistryStore::OpenHandleCount() {
  Session s = Lock();
  return static_cast<long>(s.store().handles_.size());
}

void RegistryStore::SetBusyTimeout(int milliseconds) {
  Session s = Lock();
  s.store().file_.SetBusyTimeout(milliseconds);
}

void RegistryStore::Close() {
  Session s = Lock();
  RegistryStore& store = s.store();
  store.CloseDatabase();
  store.file_.ForgetLeftJournal();
  store.handles_.Clear();
}

void RegistryStore::CloseDatabase() {
  queries_.Detach();
  file_.Close();
}

LONG RegistryStore::EnsureOpen(bool write) {
  if (file_.IsOpen()) return ERROR_SUCCESS;
  int64_t rootIds[kRootCount] = {};
  LONG rc = file_.Open(write, rootIds);
  if (rc == ERROR_SUCCESS) rc = queries_.Attach(file_.db());
  if (rc == ERROR_SUCCESS) rc = file_.StartWatch(write);
  if (rc != ERROR_SUCCESS) {
    CloseDatabase();  // tried again at the next call
    return rc;
  }
  // The roots name this file's keys (another file's, after a replacement).
  for (size_t i = 0; i < kRootCount; ++i) handles_.SetRoot(i, rootIds[i]);
  return ERROR_SUCCESS;
}

LONG RegistryStore::BeginTransaction(bool write) {
  if (file_.IsOpen()) {
    bool leave = false, overwritten = false;
    const LONG rc = file_.Look(write, leave, overwritten);
    if (rc != ERROR_SUCCESS) return rc;
    if (leave) LeaveReplacedFile(overwritten);
  }
  LONG rc = EnsureOpen(write);
  if (rc != ERROR_SUCCESS || !file_.snapshot()) return rc;
  // Rescue of a read-only folder, where no journal can be made: the file is
  // read as it stands, and every read gives what a writer elsewhere wrote
  // last, never an older value (AReaderInAReadOnlyFolderSeesWhatOthersWriteLater).
  bool journalAppeared = false;
  rc = file_.HoldSnapshot(write, journalAppeared);
  if (rc != ERROR_SUCCESS || !journalAppeared) return rc;
  // A writer began since: the store is read with its journal from now on
  // (the same file: the handles stay as they are).
  CloseDatabase();
  rc = EnsureOpen(write);
  return rc != ERROR_SUCCESS || !file_.snapshot() ? rc : file_.LockSnapshot(write);
}

void RegistryStore::LeaveReplacedFile(bool overwritten) {
  // Rescue of a replaced file (renamed over, deleted, copied or written
  // over): no write of any process holding it goes into a file that is no
  // longer at the path, and its open keys answer 1018
  // (AStoreReplacedUnderTwoProcessesIsTheOneBothWriteAfterwards).
  queries_.Detach();
  file_.Leave(overwritten);
  handles_.Orphan();
}

LONG RegistryStore::Resolve(HKEY key, Handle*& handle, bool write) {
  const int root = PredefinedIndex(key);
  if (root < 0) {
    handle = handles_.Find(key);
    return handle != nullptr ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  }
  handle = nullptr;
  if (kRootNames[root] == nullptr) return ERROR_INVALID_HANDLE;
  const LONG rc = EnsureOpen(write);
  if (rc != ERROR_SUCCESS) return rc;
  handle = handles_.Root(static_cast<size_t>(root));
  return ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------
// Transactions

RegistryStore::Transaction::Transaction(Session& session, bool write, bool single)
    : store_(session.store()), write_(write) {
  status_ = store_.BeginTransaction(write);
  if (status_ != ERROR_SUCCESS || (single && !write)) return;
  status_ = store_.queries_.Begin(write);
  open_ = status_ == ERROR_SUCCESS;
}

RegistryStore::Transaction::~Transaction() {
  if (open_) store_.queries_.Rollback();
  // Rescue of a full disk: once a write failed for want of space, a little
  // space freed lets writes through again, as the journal's own space is
  // reused (WritesGoThroughAgainOnceALittleSpaceIsFreedOnAFullDisk).
  if (store_.queries_.TakeDiskFull()) store_.file_.ReclaimJournal();
  store_.file_.EndTransaction();
}

LONG RegistryStore::Transaction::Commit() {
  if (!open_) return status_;
  const LONG rc = store_.queries_.Commit(write_);
  if (rc != ERROR_SUCCESS) return rc;  // the destructor rolls back
  open_ = false;
  if (write_) store_.file_.Committed();
  return ERROR_SUCCESS;
}

}  // namespace emu
