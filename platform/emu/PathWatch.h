#pragma once
// Whether a file's name may have been given to another file since the last
// look, or the file written, for one read of an inotify queue (cheaper than a
// stat of the path): the kernel queues an event for every creation, removal
// and rename of a name in the folder, and every write to the file, before the
// call that made it returns.

#include <string>

namespace emu {

class PathWatch {
 public:
  // What a look found since the last one.
  static constexpr unsigned kNamed = 1, kWritten = 2;

  PathWatch() = default;
  PathWatch(const PathWatch&) = delete;
  PathWatch& operator=(const PathWatch&) = delete;
  ~PathWatch() { Stop(); }

  // Watches the name of `path` in its folder. Where no watch can be set,
  // every look answers kNamed.
  void Watch(const std::string& path);
  // Also the writes to the open file `fd`, whoever makes them (kWritten
  // only for writes seen, never for lost events).
  void WatchWrites(int fd);
  // Also in a forked child: the queue is shared with the parent, so it is
  // let go unread.
  void Stop();
  unsigned Look();

 private:
  int fd_ = -1;
  int writesWatch_ = -1;
  std::string name_;
};

}  // namespace emu
