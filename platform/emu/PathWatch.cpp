#include "platform/emu/PathWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace emu {

void PathWatch::Watch(const std::string& path) {
  Stop();
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd_ < 0) return;
  const uint32_t events = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                          IN_ONLYDIR;
  if (::inotify_add_watch(fd_, folder.c_str(), events) < 0) Stop();
}

void PathWatch::WatchWrites(int fd) {
  if (fd_ < 0) return;
  // The open file itself, whatever its name is by now.
  writesWatch_ = ::inotify_add_watch(fd_, ("/proc/self/fd/" + std::to_string(fd)).c_str(), IN_MODIFY);
}

void PathWatch::Stop() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  writesWatch_ = -1;
}

unsigned PathWatch::Look() {
  if (fd_ < 0) return kNamed;
  unsigned seen = 0;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0) return errno == EAGAIN ? seen : seen | kNamed;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const char* name = buffer + at + sizeof(inotify_event);
      if (event.wd == writesWatch_ && (event.mask & IN_MODIFY) != 0) seen |= kWritten;
      // The folder or the file moved or went, a watch ended, or events were
      // lost: the name may have been given to another file.
      if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT | IN_Q_OVERFLOW)) != 0 ||
          (event.wd != writesWatch_ && event.len != 0 && name_ == name)) {
        seen |= kNamed;
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
    }
  }
}

}  // namespace emu
