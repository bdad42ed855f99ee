#pragma once
// Whose the journal beside the store is. SQLite keeps a WAL store's newest
// pages in the -wal and -shm files named after the store's path, and every
// connection to a file at that path uses them. When the file at the path is
// replaced while processes still hold the old one, the journal must not be
// shared between the two files: a connection to the new file then moves the
// old file's journal out of the way (the processes that hold the old file
// keep using it through their open descriptors until they notice and leave).

#include <sys/types.h>

#include <string>

#include "platform/modAPI.h"

namespace emu {

// Whether another process holds the store file `fd` through a connection:
// in WAL mode SQLite holds a shared lock on it for the connection's life.
bool HeldByOthers(int fd);

// Takes (`take`) or lets go of that shared lock for a reader of the file
// `fd` without a connection: a closing writer waits it out before it
// checkpoints into the file. False, with errno set, when it cannot be had.
bool LockAsReader(int fd, bool take);

// The journal's identity (the -shm file's inode), 0 when there is none.
ino_t JournalOf(const std::string& path);

// Keeps other processes from making a connection to the file `fd` while
// this one makes its own and claims the journal (waits up to the busy
// timeout, else the call's busy code).
LONG LockOpening(int fd, int busyTimeoutMs, bool write);
void UnlockOpening(int fd);

// Before a connection is made to the file at `path` (locked with
// LockOpening): a journal that belongs to another file is moved out of the
// way; renamed aside while another process still uses it, removed when none
// does. It is another file's when it is the one this process left (`left`,
// 0 for none), or when others hold it and nobody holds the file at the
// path. Journals set aside that nobody uses any more are removed. The call's
// busy code when a journal that is another file's cannot be moved.
LONG ClaimJournal(const std::string& path, int fd, ino_t left, bool write);

}  // namespace emu
