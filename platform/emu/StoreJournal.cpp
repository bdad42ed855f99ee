#include "platform/emu/StoreJournal.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

namespace emu {
namespace {

// A connection's shared lock on a store file: a read lock on these bytes.
constexpr off_t kSharedLockStart = 0x40000000 + 2;
constexpr off_t kSharedLockLength = 510;
// The byte of a -shm file that every connection using it holds a read lock on.
constexpr off_t kShmInUseByte = 128;

bool LockedByOthers(int fd, off_t start, off_t length) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = start;
  lock.l_len = length;
  return ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

// Whether a connection of another process uses the -shm file `shm` (one
// that cannot be looked at counts as used). Only called while this process
// has no connection: closing the descriptor takes no lock of its own with it.
bool InUse(const std::string& shm) {
  const int fd = ::open(shm.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return errno != ENOENT;
  const bool used = LockedByOthers(fd, kShmInUseByte, 1);
  ::close(fd);
  return used;
}

// Journals set aside ("<store>-shm.<id>" and "<store>-wal.<id>") whose last
// user has gone.
void RemoveUnusedAside(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string prefix = (slash == std::string::npos ? path : path.substr(slash + 1)) + "-shm.";
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  std::vector<std::string> unused;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) == 0 && !InUse(folder + "/" + name)) {
      unused.push_back(name.substr(prefix.size()));
    }
  }
  ::closedir(dir);
  for (const std::string& id : unused) {
    ::unlink((path + "-wal." + id).c_str());
    ::unlink((path + "-shm." + id).c_str());
  }
}

}  // namespace

bool HeldByOthers(int fd) { return LockedByOthers(fd, kSharedLockStart, kSharedLockLength); }

bool LockAsReader(int fd, bool take) {
  struct flock lock {};
  lock.l_type = take ? F_RDLCK : F_UNLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kSharedLockStart;
  lock.l_len = kSharedLockLength;
  return ::fcntl(fd, F_SETLK, &lock) == 0;
}

ino_t JournalOf(const std::string& path) {
  struct stat info {};
  return ::stat((path + "-shm").c_str(), &info) == 0 ? info.st_ino : 0;
}

LONG LockOpening(int fd, int busyTimeoutMs, bool write) {
  // flock: apart from SQLite's own (fcntl) locks, and possible on a file
  // opened for reading only.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(busyTimeoutMs);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK && errno != EINTR) return ERROR_SUCCESS;  // no such locks here: go without
    if (std::chrono::steady_clock::now() >= until) return write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return ERROR_SUCCESS;
}

void UnlockOpening(int fd) { ::flock(fd, LOCK_UN); }

LONG ClaimJournal(const std::string& path, int fd, ino_t left, bool write) {
  const std::string shm = path + "-shm", wal = path + "-wal";
  const ino_t journal = JournalOf(path);
  if (journal != 0) {
    const bool used = InUse(shm);
    if (journal == left || (used && !HeldByOthers(fd))) {
      const LONG busy = write ? ERROR_CANTWRITE : ERROR_CANTREAD;
      if (used) {
        // The -wal file first: a -shm file left alone is moved the next time.
        const std::string id = "." + std::to_string(journal);
        if (::rename(wal.c_str(), (wal + id).c_str()) != 0 && errno != ENOENT) return busy;
        if (::rename(shm.c_str(), (shm + id).c_str()) != 0) return busy;
      } else {
        // Pages of a file that nobody holds any more: never this one's.
        if (::unlink(wal.c_str()) != 0 && errno != ENOENT) return busy;
        if (::unlink(shm.c_str()) != 0 && errno != ENOENT) return busy;
      }
    }
  }
  RemoveUnusedAside(path);
  return ERROR_SUCCESS;
}

}  // namespace emu
