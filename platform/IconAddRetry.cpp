#include "platform/IconAddRetry.h"

#include <algorithm>

std::optional<std::chrono::milliseconds> IconAddRetry::NextDelay() {
  if (waitedUnits_ >= kGiveUpUnits) return std::nullopt;
  int units = 1;
  if (tries_ >= kSteadyTries) {
    int doublings = std::min(tries_ - kSteadyTries + 1, 5);  // 2, 4, 8, 16, 32 ...
    units = std::min(1 << doublings, kLongestUnits);
  }
  ++tries_;
  waitedUnits_ += units;
  return first_ * units;
}

void IconAddRetry::Reset() {
  tries_ = 0;
  waitedUnits_ = 0;
}
