#pragma once
// Whether the store's file is still the one a connection holds: its path
// still names it (an inotify watch of the folder's names, a stat when that
// tells of the name), and nobody but SQLite wrote it (a watch of the file's
// writes, told apart from the checkpoints of the journal by the marks every
// checkpoint leaves in the journal's shared memory).

#include <chrono>
#include <string>

#include "platform/emu/PathWatch.h"
#include "platform/emu/StoreDatabase.h"
#include "platform/modAPI.h"

struct sqlite3;
struct sqlite3_file;

namespace emu {

class StoreWatch {
 public:
  // Watches the name of the store's path: before the file is opened, so that
  // nothing done to it after goes unseen.
  void Watch(const std::string& path) { watch_.Watch(path); }
  // Once a connection reads the file `fd` with its journal: its writes are
  // watched too, and the journal's marks are those to compare with from now on.
  LONG Start(sqlite3* db, int fd, int busyTimeoutMs, bool write);
  // Before a transaction of an open connection (every write, and a read
  // when the last look is a millisecond old): `leave` when the file was
  // replaced, deleted or `overwritten` by another program. The busy code
  // when a checkpoint holds on beyond the busy timeout.
  LONG Look(const std::string& path, const OpenedStore& opened, int busyTimeoutMs, bool write, bool& leave,
            bool& overwritten);
  // After a write committed: a journal it began anew, or checkpointed,
  // gives the marks to compare with (a write of the file seen at the next
  // look is then told apart from it).
  void Committed(int busyTimeoutMs);
  // The connection closes.
  void Stop();
  // In a forked child: the parent's watch and journal are its own.
  void Abandon();

 private:
  // The journal's shared memory, once the connection has opened it.
  bool MapJournal(sqlite3* db);
  bool ReadMarks(unsigned char (&marks)[16]) const;
  // The journal's marks have moved since the last look at writes (read
  // without its lock: only a hint to look).
  bool MarksMoved() const;
  // Whether another program wrote the file (the watch told of a write,
  // `written` or now, with no checkpoint of the journal since the last
  // look): then overwritten_. Busy code when a checkpoint holds on beyond
  // the busy timeout.
  LONG LookAtWrites(int busyTimeoutMs, bool write, bool written);

  PathWatch watch_;           // of the open store's name and its writes
  bool suspect_ = false;      // the watch told of the name; no stat has settled it yet
  bool overwritten_ = false;  // the file was written by another program: to be left
  std::chrono::steady_clock::time_point lastLook_{};
  // The journal's checkpoint marks at the last look at writes: its salts,
  // the frames backfilled and the frames a checkpoint last set out to.
  unsigned char marks_[16] = {};
  const volatile unsigned char* journal_ = nullptr;  // its first region, SQLite's mapping
  sqlite3_file* journalFile_ = nullptr;
};

}  // namespace emu
