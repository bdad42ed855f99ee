#pragma once
// Whether a file's name may have been given to another file since the last
// look, for one read of an inotify queue (cheaper than a stat of the path):
// the kernel queues an event for every creation, removal and rename of a
// name in the folder before the call that made it returns.

#include <string>

namespace emu {

class PathWatch {
 public:
  PathWatch() = default;
  PathWatch(const PathWatch&) = delete;
  PathWatch& operator=(const PathWatch&) = delete;
  ~PathWatch() { Stop(); }

  // Watches the name of `path` in its folder. Where no watch can be set,
  // every look answers "may have changed".
  void Watch(const std::string& path);
  // Also in a forked child: the queue is shared with the parent, so it is
  // let go unread.
  void Stop();
  // False when nothing has happened to the name since the watch began or
  // the last look said so.
  bool MayHaveChanged();

 private:
  int fd_ = -1;
  std::string name_;
};

}  // namespace emu
