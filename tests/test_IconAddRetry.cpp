// The schedule on which a refused tray icon is tried again.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <vector>

#include "platform/IconAddRetry.h"

using namespace std::chrono_literals;

TEST(IconAddRetryTest, EverySecondAtFirstThenLessOftenForTenMinutes) {
  IconAddRetry retry;
  std::vector<std::chrono::milliseconds> delays;
  while (auto delay = retry.NextDelay()) delays.push_back(*delay);
  const auto waited = std::accumulate(delays.begin(), delays.end(), 0ms);
  ASSERT_GE(delays.size(), 11u);
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(delays[i], 1s) << "try " << i + 1;
  EXPECT_GT(delays[10], 1s) << "the eleventh try waits longer";
  EXPECT_TRUE(std::is_sorted(delays.begin(), delays.end())) << "the waits never shorten";
  EXPECT_LE(delays.back(), 30s) << "and never exceed half a minute";
  EXPECT_GE(waited, 10min);  // well beyond a slow logon's two minutes
  EXPECT_LT(waited, 11min);

  retry.Reset();
  EXPECT_EQ(retry.NextDelay(), 1s);
  EXPECT_EQ(IconAddRetry(10ms).NextDelay(), 10ms) << "the schedule counts in first intervals";
}
