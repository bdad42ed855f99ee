#pragma once
// When the shell refuses a new tray icon, the icon is added again later.
//
// At logon the utility is started through the Run key, often before the
// shell's notification area is up: the add fails, and no "TaskbarCreated"
// follows when the area appears. So a failed add is tried again on a timer:
// every second for the first ten seconds, then at doubling intervals up to
// half a minute, for ten minutes in all. After that only "TaskbarCreated"
// brings the icon back. The schedule is counted in units of the first
// interval, so that tests can run it fast.
#include <chrono>
#include <optional>

class IconAddRetry {
 public:
  explicit IconAddRetry(std::chrono::milliseconds first = std::chrono::seconds(1)) : first_(first) {}

  // After a failed add: how long to wait before the next try, or nothing
  // once the whole schedule has been spent.
  std::optional<std::chrono::milliseconds> NextDelay();
  // The icon is up, or no longer wanted: a later failure starts afresh.
  void Reset();

 private:
  static constexpr int kSteadyTries = 10;   // at the first interval
  static constexpr int kLongestUnits = 30;  // the longest wait, in first intervals
  static constexpr int kGiveUpUnits = 600;  // the whole schedule, in first intervals

  std::chrono::milliseconds first_;
  int tries_ = 0;
  int waitedUnits_ = 0;
};
