#pragma once
// Opening the store: the connection, made safe for two processes at once
// (WAL journal, a busy timeout), its mark checked, its roots found.

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

// Opens the store at `path`, making it first when there is none. A file that
// is not a store of this schema gives 1009 and is never written; in a folder
// that lets no file be made the store is opened read only. `rootIds` gets
// the key id of each predefined root (0 for HKEY_PERFORMANCE_DATA).
LONG OpenStore(const std::string& path, int busyTimeoutMs, bool write, Database& db,
               int64_t (&rootIds)[kRootCount]);

}  // namespace emu
