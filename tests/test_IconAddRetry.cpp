// The schedule on which a refused tray icon is tried again.
#include <gtest/gtest.h>

#include "platform/IconAddRetry.h"

using namespace std::chrono_literals;

TEST(IconAddRetryTest, EverySecondAtFirstThenLessOftenForTenMinutes) {
  IconAddRetry retry;
  std::vector<std::chrono::milliseconds> delays;
  while (auto delay = retry.NextDelay()) delays.push_back(*delay);
  ASSERT_GE(delays.size(), 11u);
  for (size_t i = 0; i < 10; ++i) EXPECT_EQ(delays[i], 1s) << "try " << i + 1;
  EXPECT_GT(delays[10], 1s) << "the eleventh try waits longer";
  for (size_t i = 1; i < delays.size(); ++i) {
    EXPECT_GE(delays[i], delays[i - 1]) << "the waits never shorten";
    EXPECT_LE(delays[i], 30s) << "and never exceed half a minute";
  }
  EXPECT_GE(retry.Waited(), 10min);  // well beyond a slow logon's two minutes
  EXPECT_LT(retry.Waited(), 11min);
  EXPECT_FALSE(retry.NextDelay()) << "then it stops";

  retry.Reset();
  EXPECT_EQ(retry.NextDelay(), 1s);
}

TEST(IconAddRetryTest, TheScheduleScalesWithTheFirstInterval) {
  IconAddRetry fast(10ms), slow(1s);
  int tries = 0;
  while (true) {
    auto a = fast.NextDelay(), b = slow.NextDelay();
    ASSERT_EQ(a.has_value(), b.has_value());
    if (!a) break;
    EXPECT_EQ(*a * 100, *b);
    ++tries;
  }
  EXPECT_EQ(fast.Tries(), tries);
}
