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

void PathWatch::Stop() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool PathWatch::MayHaveChanged() {
  if (fd_ < 0) return true;
  bool changed = false;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0) return errno == EAGAIN ? changed : true;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const char* name = buffer + at + sizeof(inotify_event);
      // The folder itself moved or went, the watch ended, or events were
      // lost: anything may have happened.
      if ((event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT | IN_Q_OVERFLOW)) != 0 ||
          (event.len != 0 && name_ == name)) {
        changed = true;
      }
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
    }
  }
}

}  // namespace emu
