#include "platform/emu/StoreFile.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>

#include "platform/emu/StoreJournal.h"
#include "platform/emu/UserData.h"

namespace emu {
namespace {

// SQLite's own checkpoint interval, in journal pages.
constexpr int kJournalPages = 1000;

}  // namespace

void StoreFile::SetBusyTimeout(int milliseconds) {
  busyTimeoutMs_ = milliseconds;
  if (db_) sqlite3_busy_timeout(db_.get(), milliseconds);
}

LONG StoreFile::Open(bool write, int64_t (&rootIds)[kRootCount]) {
  path_ = RegistryStorePath();
  if (path_.empty()) return ERROR_CANTOPEN;  // the program named no place for its data
  watch_.Watch(path_);  // before the file is named: nothing done to it after goes unseen
  struct stat left {};
  const ino_t leftJournal = leftJournalFd_ >= 0 && ::fstat(leftJournalFd_, &left) == 0 ? left.st_ino : 0;
  return OpenStore(path_, busyTimeoutMs_, write, leftJournal, db_, rootIds, opened_);
}

LONG StoreFile::StartWatch(bool write) {
  if (!opened_.snapshot) {
    const LONG rc = watch_.Start(db_.get(), opened_.fd, busyTimeoutMs_, write);
    if (rc != ERROR_SUCCESS) return rc;
  }
  ForgetLeftJournal();
  return ERROR_SUCCESS;
}

void StoreFile::Leave(bool overwritten) {
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
  ForgetLeftJournal();
  leftJournalFd_ = std::exchange(opened_.journalFd, -1);
  Close();
}

LONG StoreFile::HoldSnapshot(bool write, bool& journalAppeared) {
  journalAppeared = false;
  const LONG rc = LockSnapshot(write);
  if (rc != ERROR_SUCCESS) return rc;
  if (JournalInUse(path_)) {
    EndTransaction();
    journalAppeared = true;
    return ERROR_SUCCESS;
  }
  sqlite3_db_release_memory(db_.get());
  return ERROR_SUCCESS;
}

LONG StoreFile::LockSnapshot(bool write) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyTimeoutMs_);
  while (!LockAsReader(opened_.fd, true)) {
    if (errno != EAGAIN && errno != EACCES) return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    if (std::chrono::steady_clock::now() >= until) return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  snapshotLocked_ = true;
  return ERROR_SUCCESS;
}

void StoreFile::EndTransaction() {
  if (!snapshotLocked_) return;
  LockAsReader(opened_.fd, false);
  snapshotLocked_ = false;
}

void StoreFile::Committed() {
  watch_.Committed(busyTimeoutMs_);
  if (shortOfSpace_ > 0 && --shortOfSpace_ == 0) sqlite3_wal_autocheckpoint(db_.get(), kJournalPages);
}

void StoreFile::ReclaimJournal() {
  if (!db_) return;
  // Outside any transaction; when others are reading it waits for them no
  // longer than the busy timeout, and what it could not move stays where it is.
  sqlite3_wal_checkpoint_v2(db_.get(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
  sqlite3_wal_autocheckpoint(db_.get(), 1);
  shortOfSpace_ = kJournalPages;
}

void StoreFile::Close() {
  shortOfSpace_ = 0;
  db_.reset();
  watch_.Stop();
  // After the connection: closing them before would release its locks.
  if (opened_.fd >= 0) ::close(opened_.fd);
  if (opened_.journalFd >= 0) ::close(opened_.journalFd);
  snapshotLocked_ = false;
  opened_ = OpenedStore();
}

void StoreFile::ForgetLeftJournal() {
  if (leftJournalFd_ >= 0) ::close(leftJournalFd_);
  leftJournalFd_ = -1;
}

void StoreFile::Abandon() {
  // Abandoned, not closed: closing it here would touch the parent's locks and files.
  (void)db_.release();
  watch_.Abandon();
  // The parent's locks are its own: the child holds none to lose.
  for (int* fd : {&opened_.fd, &opened_.journalFd, &leftJournalFd_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
  opened_ = OpenedStore();
  snapshotLocked_ = false;
}

}  // namespace emu
