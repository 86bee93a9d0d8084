#include "platform/system/clock.h"

#include <gtest/gtest.h>

#include <chrono>

using orvane::clock::TestClock;

TEST(Clock, RealClockAdvancesWithSleep) {
  auto start = std::chrono::steady_clock::now();
  DWORD before = timeGetTime();
  Sleep(30);
  DWORD elapsed = timeGetTime() - before;
  auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
  EXPECT_GE(elapsed, 29u);
  EXPECT_GE(wall, 29);
  EXPECT_LT(elapsed, 2000u);
}

TEST(Clock, TestClockDrivesTimeAndSleepWithoutWaiting) {
  auto start = std::chrono::steady_clock::now();
  {
    TestClock clock(1000);
    EXPECT_EQ(timeGetTime(), 1000u);
    clock.Advance(250);
    EXPECT_EQ(timeGetTime(), 1250u);
    Sleep(60000);  // a minute, taken at once
    EXPECT_EQ(timeGetTime(), 61250u);
    EXPECT_EQ(clock.Slept(), 60000u);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // Without it the real clock is back.
  DWORD a = timeGetTime();
  Sleep(5);
  EXPECT_GE(timeGetTime() - a, 4u);
}

TEST(Clock, ElapsedTimeSurvivesTheWrap) {
  TestClock clock(0xFFFFFC18u);  // one second before the wrap
  DWORD recordStart = timeGetTime();
  clock.Advance(3500);
  EXPECT_LT(timeGetTime(), recordStart);                // the count wrapped...
  EXPECT_EQ((timeGetTime() - recordStart) / 1000, 3u);  // ...the difference did not
}
