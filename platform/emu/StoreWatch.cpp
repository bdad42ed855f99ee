#include "platform/emu/StoreWatch.h"

#include <sqlite3.h>

#include <cstring>
#include <thread>

namespace emu {
namespace {

// How long a read relies on the last look at the store's path.
constexpr std::chrono::milliseconds kLookInterval{1};

// The journal's shared memory (SQLite's WAL index, its documented layout):
// the first region, the lock a checkpoint holds, and where the first header
// copy keeps its salts and the checkpoint record the frames backfilled and
// attempted.
constexpr int kShmRegion = 32768;
constexpr int kCheckpointLock = 1;
constexpr size_t kCheckpointMarks[] = {32, 36, 96, 128};

}  // namespace

LONG StoreWatch::Start(sqlite3* db, int fd, int busyTimeoutMs, bool write) {
  watch_.WatchWrites(fd);
  const LONG rc = MapJournal(db) ? LookAtWrites(busyTimeoutMs, write, false) : ERROR_SUCCESS;
  overwritten_ = false;
  return rc;
}

LONG StoreWatch::Look(const std::string& path, const OpenedStore& opened, int busyTimeoutMs, bool write, bool& leave,
                      bool& overwritten) {
  leave = overwritten = false;
  // A write looks every time: none is acknowledged that the file at the
  // path does not hold. A read looks when a millisecond has passed since
  // the last look (a system call costs as much as a short read here).
  const auto now = std::chrono::steady_clock::now();
  if (!write && !opened.snapshot && now - lastLook_ < kLookInterval) return ERROR_SUCCESS;
  lastLook_ = now;
  const unsigned seen = watch_.Look();
  if ((seen & PathWatch::kNamed) != 0) suspect_ = true;  // until a stat settles it
  if ((seen & PathWatch::kWritten) != 0 || MarksMoved()) {
    const LONG rc = LookAtWrites(busyTimeoutMs, write, (seen & PathWatch::kWritten) != 0);
    if (rc != ERROR_SUCCESS) return rc;
  }
  FileId there;
  if (overwritten_ || (suspect_ && (!FileAt(path, there) || !(there == opened.file)))) {
    leave = true;
    overwritten = overwritten_;
    overwritten_ = false;
  }
  suspect_ = false;
  return ERROR_SUCCESS;
}

void StoreWatch::Committed(int busyTimeoutMs) {
  if (MarksMoved()) LookAtWrites(busyTimeoutMs, true, false);
}

void StoreWatch::Stop() {
  watch_.Stop();
  suspect_ = false;
  journal_ = nullptr;
  journalFile_ = nullptr;
}

void StoreWatch::Abandon() {
  watch_.Stop();  // the queue is shared with the parent
  journal_ = nullptr;
  journalFile_ = nullptr;
}

bool StoreWatch::MapJournal(sqlite3* db) {
  journal_ = nullptr;
  void volatile* region = nullptr;
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &journalFile_) != SQLITE_OK ||
      journalFile_ == nullptr || journalFile_->pMethods == nullptr || journalFile_->pMethods->iVersion < 2 ||
      journalFile_->pMethods->xShmMap(journalFile_, 0, kShmRegion, 0, &region) != SQLITE_OK || region == nullptr) {
    return false;  // no journal mapped: no marks to compare
  }
  journal_ = static_cast<const volatile unsigned char*>(region);
  return true;
}

bool StoreWatch::ReadMarks(unsigned char (&marks)[sizeof marks_]) const {
  if (journal_ == nullptr) return false;
  for (size_t i = 0; i < sizeof marks; ++i) marks[i] = journal_[kCheckpointMarks[i / 4] + i % 4];
  return true;
}

bool StoreWatch::MarksMoved() const {
  unsigned char marks[sizeof marks_];
  return ReadMarks(marks) && std::memcmp(marks, marks_, sizeof marks) != 0;
}

LONG StoreWatch::LookAtWrites(int busyTimeoutMs, bool write, bool written) {
  if (journal_ == nullptr) return ERROR_SUCCESS;
  // A checkpoint writes the file holding this lock, and marks in the journal
  // what it backfilled before it lets go.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyTimeoutMs);
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
  if ((seen & PathWatch::kNamed) != 0) suspect_ = true;
  written = written || (seen & PathWatch::kWritten) != 0;
  // Written with no checkpoint since the last look, and none left half done
  // (a retry writes again under the same marks): another program wrote it.
  if (written && std::memcmp(marks, marks_, sizeof marks) == 0 && std::memcmp(marks + 8, marks + 12, 4) == 0) {
    overwritten_ = true;
  }
  std::memcpy(marks_, marks, sizeof marks);
  return ERROR_SUCCESS;
}

}  // namespace emu
