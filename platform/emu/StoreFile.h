#pragma once
// The store's file as this process holds it: the connection, the path it
// was opened at and its watch, the lock a read of a snapshot holds, the
// journal of a file this process left, and the recovery from a full disk.
// Where the file lives: UserData.h; how it is made and opened:
// StoreSchema.h, StoreDatabase.h.

#include <cstdint>
#include <string>

#include "platform/emu/StoreDatabase.h"
#include "platform/emu/StoreWatch.h"
#include "platform/modAPI.h"

struct sqlite3;

namespace emu {

class StoreFile {
 public:
  StoreFile() = default;
  StoreFile(const StoreFile&) = delete;
  StoreFile& operator=(const StoreFile&) = delete;
  // Its statements are finalized by then (StoreQueries::Detach).
  ~StoreFile() { Close(); }

  bool IsOpen() const { return db_ != nullptr; }
  sqlite3* db() const { return db_.get(); }
  // Read as a file nobody changes (OpenedStore::snapshot).
  bool snapshot() const { return opened_.snapshot; }
  // How long a call waits for another process that holds the store busy.
  void SetBusyTimeout(int milliseconds);

  // Opens the store where the environment now says it is; `rootIds` gets
  // its predefined roots.
  LONG Open(bool write, int64_t (&rootIds)[kRootCount]);
  // Then, the statements prepared: a file read with its journal is watched
  // from now on, and the journal of the file this process left is let go
  // (held until now so that its name could not go to another).
  LONG StartWatch(bool write);
  // Before a transaction of an open store: `leave` when the file at the
  // path is not the one held any more, or was `overwritten` (StoreWatch).
  LONG Look(bool write, bool& leave, bool& overwritten) {
    return watch_.Look(path_, opened_, busyTimeoutMs_, write, leave, overwritten);
  }
  // Lets go of a file replaced, deleted or written over, without touching
  // what now belongs to the file at the path (when it was written over, its
  // journal's pages are not the file's any more). The journal is held, so
  // that the next connection knows it for the one to move out of the way.
  void Leave(bool overwritten);

  // A snapshot's transaction holds the lock a connection holds, against a
  // writer that closes and checkpoints into the file meanwhile; its cache is
  // dropped, as others may have changed the file since its pages were read.
  // `journalAppeared` (nothing held) when a writer has begun since: the
  // store is to be read with its journal from now on.
  LONG HoldSnapshot(bool write, bool& journalAppeared);
  LONG LockSnapshot(bool write);
  // After each transaction: the snapshot's lock let go.
  void EndTransaction();

  // After a write committed.
  void Committed();
  // After a write failed for want of space: the journal's pages moved into
  // the store and the journal emptied, and from then on checkpointed after
  // every write for a while, so that the space it holds is used again
  // rather than grown into (by itself it waits for 1000 pages).
  void ReclaimJournal();

  void Close();
  void ForgetLeftJournal();
  // In a forked child: the parent's connection, watch and locks are let go
  // without touching them.
  void Abandon();

 private:
  std::string path_;  // of the open store
  Database db_;
  OpenedStore opened_;  // which file it is, and how it is read
  StoreWatch watch_;
  int busyTimeoutMs_ = 2000;
  bool snapshotLocked_ = false;
  int leftJournalFd_ = -1;  // the -shm file of the store this process left
  int shortOfSpace_ = 0;    // writes left that checkpoint at once
};

}  // namespace emu
