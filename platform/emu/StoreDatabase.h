#pragma once
// Opening the store: the connection, made safe for two processes at once
// (WAL journal, a busy timeout), its mark checked, its roots found.

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/emu/StoreSchema.h"
#include "platform/modAPI.h"

struct sqlite3;

namespace emu {

// A connection, closed when its owner lets it go.
struct DatabaseCloser {
  void operator()(sqlite3* db) const;
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;

// The Windows code of an SQLite failure: 1009 for a damaged or foreign store,
// 1011 cannot open, 5 read only, 14 out of memory, and for the rest (busy
// beyond the timeout, I/O errors, a full disk) 1013 on writes, 1012 on reads.
LONG StoreError(int sqliteCode, bool write);

// Which file a connection holds: the one the path named just before it was
// opened (a file put there in between is taken for another, and opened anew).
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileId&) const = default;
};

// The file the path names now; false when it names none.
bool FileAt(const std::string& path, FileId& id);

// Whether the store's journal (its -wal file) holds anything: what is
// written since the last checkpoint lives there, not in the file.
bool JournalInUse(const std::string& path);

// The store as it was opened.
struct OpenedStore {
  FileId file;
  // Read as a file nobody changes: in a folder that lets no journal be made
  // and with none beside it. Valid only while no journal appears, and then
  // only with its cache dropped at every transaction (see SnapshotGuard).
  bool snapshot = false;
  // The file and its journal's -shm file (-1: none), open for as long as the
  // connection is: closing a descriptor of either would release the
  // connection's locks on it. Their owner closes them after the connection.
  int fd = -1;
  int journalFd = -1;
};

// Opens the store at `path`, making it first when there is none. A file that
// is not a store of this schema gives 1009 and is never written; in a folder
// that lets no file be made the store is opened read only (with a journal
// beside it that cannot be read safely, 1011). A journal that belongs to
// another file (`leftJournal`: the -shm file of the one this process left,
// 0 for none) is moved out of the way first (StoreJournal.h). `rootIds` gets
// the key id of each predefined root (0 for HKEY_PERFORMANCE_DATA).
LONG OpenStore(const std::string& path, int busyTimeoutMs, bool write, ino_t leftJournal, Database& db,
               int64_t (&rootIds)[kRootCount], OpenedStore& opened);

}  // namespace emu
