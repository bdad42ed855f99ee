#pragma once
// The emulated registry's store: one SQLite database shared by every process
// of the user (WAL journal, a busy timeout, one short transaction per call),
// held by this process as one store, locked for one registry call at a
// time. It is made of its file and its watch (StoreFile), its statements
// and queries (StoreQueries) and this process's key handles (HandleTable).
//
// Every call returns a Windows result code; store failures map to the codes
// a registry caller already knows (1009 damaged or foreign store, 1011 cannot
// open, 1012/1013 busy or failing reads/writes, 5 read-only store).

#include <cstddef>
#include <cstdint>
#include <mutex>

#include "platform/emu/HandleTable.h"
#include "platform/emu/StoreFile.h"
#include "platform/emu/StoreQueries.h"
#include "platform/modAPI.h"

namespace emu {

class RegistryStore {
 public:
  using Handle = KeyHandle;

  // The process's one store, locked for the caller for the length of one
  // registry call.
  class Session {
   public:
    explicit Session(RegistryStore& store) : store_(store), lock_(store.mutex_) { store_.AdoptProcess(); }
    // The key and value operations, inside a Transaction.
    StoreQueries* operator->() { return &store_.queries_; }
    StoreQueries& queries() { return store_.queries_; }

    // Handles. Resolve gives nullptr for a bad, closed or unknown handle;
    // the predefined roots resolve to a handle with every right.
    LONG Resolve(HKEY key, Handle*& handle, bool write) { return store_.Resolve(key, handle, write); }
    HKEY AddHandle(int64_t keyId, REGSAM access, size_t depth) { return store_.handles_.Add(keyId, access, depth); }
    bool CloseHandle(HKEY key) { return store_.handles_.Remove(key); }
    RegistryStore& store() { return store_; }

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

  // One transaction per registry call.
  class Transaction {
   public:
    // A read of one statement needs no BEGIN: the statement is its own
    // transaction (`single`).
    Transaction(Session& session, bool write, bool single = false);
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

 private:
  RegistryStore() = default;
  void AdoptProcess();
  LONG Resolve(HKEY key, Handle*& handle, bool write);
  LONG EnsureOpen(bool write);
  // Before each transaction: the file looked at (StoreWatch), and left when
  // it is not the one at the path any more; the store opened; a snapshot
  // locked against a closing writer, given up when a journal has appeared.
  LONG BeginTransaction(bool write);
  void LeaveReplacedFile(bool overwritten);
  void CloseDatabase();

  std::mutex mutex_;
  bool forked_ = true;  // set in a forked child; true until first use
  StoreFile file_;
  StoreQueries queries_;  // after file_: its statements finalized before the connection closes
  HandleTable handles_;
};

}  // namespace emu
