#pragma once
// The emulated registry's store: one SQLite database shared by every process
// of the user (WAL journal, a busy timeout, one short transaction per call),
// and this process's table of open key handles. Where it lives: UserData.h;
// how it is made and opened: StoreSchema.h, StoreDatabase.h.
//
// Every member returns a Windows result code; store failures map to the codes
// a registry caller already knows (1009 damaged or foreign store, 1011 cannot
// open, 1012/1013 busy or failing reads/writes, 5 read-only store).

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emu/HandleTable.h"
#include "platform/emu/PathCache.h"
#include "platform/emu/PathWatch.h"
#include "platform/emu/StoreDatabase.h"
#include "platform/modAPI.h"

struct sqlite3_stmt;
struct sqlite3_file;
namespace emu {
class Statements;
}

class RegistryStore {
 public:
  // A key as a handle sees it. Key ids are never reused, so a handle whose
  // key was deleted finds no row and answers ERROR_KEY_DELETED.
  struct KeyInfo {
    int64_t id = 0;
    uint32_t subKeys = 0;
    uint32_t values = 0;
    int64_t generation = 0;  // changes whenever the set of subkeys or values does
    int64_t lastWrite = 0;   // FILETIME ticks
    std::string className;
  };

  struct ValueRow {
    std::string name;
    DWORD type = REG_NONE;
    std::string data;
  };

  struct SubKeyRow {
    std::string name;
    std::string className;
    int64_t lastWrite = 0;
  };

  using Handle = emu::KeyHandle;

  // The process's one store, locked for the caller for the length of one
  // registry call.
  class Session {
   public:
    explicit Session(RegistryStore& store) : store_(store), lock_(store.mutex_) {
      store_.AdoptProcess();
    }
    RegistryStore* operator->() { return &store_; }
    RegistryStore* get() { return &store_; }

   private:
    RegistryStore& store_;
    std::lock_guard<std::mutex> lock_;
  };
  static Session Lock();

  // Open handles of this process (predefined roots not counted).
  static long OpenHandleCount();
  // How long a call waits for another process that holds the store busy.
  static void SetBusyTimeout(int milliseconds);
  // Closes the connection and forgets every open handle; the next call opens
  // the store anew where the environment then says it is.
  static void Close();

  // Handles. Resolve gives nullptr for a bad, closed or unknown handle; the
  // predefined roots resolve to a handle with every right.
  LONG Resolve(HKEY key, Handle*& handle, bool write);
  HKEY AddHandle(int64_t keyId, REGSAM access, size_t depth);
  bool CloseHandle(HKEY key);

  // One transaction per registry call.
  class Transaction {
   public:
    // A read of one statement needs no BEGIN: the statement is its own
    // transaction (`single`).
    Transaction(RegistryStore& store, bool write, bool single = false);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    LONG status() const { return status_; }
    LONG Commit();

   private:
    RegistryStore& store_;
    bool write_;
    bool open_ = false;
    LONG status_ = ERROR_SUCCESS;
  };

  // Store operations, inside a Transaction. `write` picks the code of a
  // failure (1012 for reads, 1013 for writes).
  LONG GetKey(int64_t keyId, KeyInfo& info, bool write);
  // ERROR_SUCCESS, or ERROR_KEY_DELETED when the key is gone.
  LONG KeyExists(int64_t keyId, bool write);
  LONG FindSubKey(int64_t parentId, std::string_view name, int64_t& childId, bool write);
  // The key `names` lead to from `startId` (the start key itself for no
  // names): ERROR_FILE_NOT_FOUND for a missing name, ERROR_KEY_DELETED when
  // the start key is gone. A path of more than Statements::kWalkDepth names
  // needs the caller's transaction; a shorter one is read in one statement.
  LONG ResolvePath(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId, bool write);
  LONG CreateSubKey(int64_t parentId, std::string_view name, std::string_view className,
                    int64_t& childId);
  LONG DeleteKey(int64_t keyId, int64_t parentId);
  LONG ParentOf(int64_t keyId, int64_t& parentId);
  // A value's type and data (row.name is left as it is).
  LONG GetValue(int64_t keyId, std::string_view name, ValueRow& row, bool& found);
  // ERROR_KEY_DELETED when the key is gone (its transaction is then to be undone).
  LONG SetValue(int64_t keyId, std::string_view name, DWORD type, const BYTE* data, DWORD size);
  LONG DeleteValue(int64_t keyId, std::string_view name, bool& found);
  LONG GetValueById(int64_t valueId, ValueRow& row, bool& found);
  LONG GetSubKeyById(int64_t keyId, SubKeyRow& row, bool& found);
  // One statement, one snapshot: the key's generation (ERROR_KEY_DELETED
  // when it is gone) with the subkey or value of the given id, if any.
  LONG SubKeyAt(int64_t keyId, int64_t subKeyId, int64_t& generation, SubKeyRow& row, bool& found);
  LONG ValueAt(int64_t keyId, int64_t valueId, int64_t& generation, ValueRow& row, bool& found);
  LONG ListSubKeys(int64_t keyId, std::vector<int64_t>& ids);
  LONG ListValues(int64_t keyId, std::vector<int64_t>& ids);
  // Longest subkey name and class, longest value name and data (string
  // data counted by its UTF-16 size, as Windows keeps it).
  LONG MaxLengths(int64_t keyId, DWORD& subKeyName, DWORD& className, DWORD& valueName,
                  DWORD& valueData);

  ~RegistryStore();

 private:
  RegistryStore() = default;
  void AdoptProcess();
  LONG EnsureOpen(bool write);
  // Before each transaction: the path still names the file the connection
  // holds (before every write, and before a read when the last look is a
  // millisecond old; one read of the folder's inotify queue, and a stat
  // when it tells of the name), or the store is opened anew there; a snapshot is
  // locked against a closing writer, given up when a journal has appeared,
  // and its cache dropped. After it: the snapshot's lock released.
  LONG BeginTransaction(bool write);
  void EndTransaction();
  // The file was replaced, deleted or written over: the connection is let go
  // without touching what now belongs to the file at the path (when it was
  // written over, its journal's pages are not the file's any more), and
  // every handle names a key that is gone. The journal is held, so that the
  // next connection knows it for the one to move out of the way.
  void LeaveReplacedFile(bool overwritten);
  void ForgetLeftJournal();
  // The journal's shared memory, once the connection has opened it.
  bool MapJournal();
  bool ReadMarks(unsigned char (&marks)[16]) const;
  // The journal's marks have moved since the last look at writes (read
  // without its lock: only a hint to look).
  bool MarksMoved() const;
  // Whether another program wrote the file (the watch told of a write,
  // `written` or now, with no checkpoint of the journal since the last
  // look): then overwritten_. Busy code when a checkpoint holds on beyond
  // the busy timeout.
  LONG LookAtWrites(bool write, bool written);
  LONG LockSnapshot(bool write);
  void CloseDatabase();
  // The Windows code of an SQLite failure; one for want of space has the
  // journal checkpointed once the transaction is undone.
  LONG Fail(int sqliteCode, bool write);
  // After a write failed for want of space: the journal's pages moved into
  // the store and the journal emptied, and from then on checkpointed after
  // every write for a while, so that the space it holds is used again
  // rather than grown into (by itself it waits for 1000 pages).
  void ReclaimJournal();
  LONG TouchKey(int64_t keyId, int subKeyDelta, int valueDelta, bool membershipChanged);
  // A path walked in one statement (up to Statements::kWalkDepth names), or
  // a name at a time.
  LONG WalkJoined(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId, bool write);
  LONG WalkByName(int64_t startId, const std::vector<std::string_view>& names, int64_t& keyId, bool write);
  // The statements of the listings and lookups, their parameters bound here
  // or by the caller: the ids a key lists; the one row a bound statement
  // yields, if any (a value's or a subkey's columns first); a key's generation
  // with the entry of a given id (ERROR_KEY_DELETED when the key is gone).
  LONG ListIds(sqlite3_stmt* s, int64_t keyId, std::vector<int64_t>& ids);
  template <class Row>
  LONG StepOptionalRow(sqlite3_stmt* s, Row& row, bool& found);
  template <class Row>
  LONG EntryAt(sqlite3_stmt* s, int64_t keyId, int64_t entryId, int64_t& generation, Row& row, bool& found);

  std::mutex mutex_;
  bool forked_ = true;  // set in a forked child; true until first use
  int busyTimeoutMs_ = 2000;
  bool reclaimJournal_ = false;  // a write failed for want of space
  int shortOfSpace_ = 0;         // writes left that checkpoint at once
  emu::Database db_;
  std::string path_;            // of the open store
  emu::OpenedStore opened_;     // which file it is, and how it is read
  bool snapshotLocked_ = false;
  int leftJournalFd_ = -1;      // the -shm file of the store this process left
  // The journal's checkpoint marks at the last look at writes: its salts,
  // the frames backfilled and the frames a checkpoint last set out to.
  unsigned char marks_[16] = {};
  const volatile unsigned char* journal_ = nullptr;  // its first region, SQLite's mapping
  sqlite3_file* journalFile_ = nullptr;
  bool overwritten_ = false;  // the file was written by another program: to be left
  std::chrono::steady_clock::time_point lastLook_{};
  emu::PathWatch watch_;        // of the open store's name
  bool suspect_ = false;        // the watch told of the name; no stat has settled it yet
  std::unique_ptr<emu::Statements> st_;  // after db_: finalized before it closes
  int64_t rootIds_[emu::kRootCount] = {};
  emu::HandleTable handles_;
  emu::PathCache paths_;  // of this store: forgotten when it closes
};
