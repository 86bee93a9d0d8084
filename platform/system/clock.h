// The multimedia timer and Sleep, with a clock that tests can drive.
#pragma once

#include <atomic>

#include "platform/system/wintypes.h"

// Milliseconds since an arbitrary start, as an unsigned 32-bit count that
// wraps after about 49.7 days; differences taken in DWORD arithmetic stay
// right across the wrap. Any thread.
DWORD timeGetTime();

// Blocks the calling thread for that many milliseconds (0 yields).
void Sleep(DWORD milliseconds);

namespace orvane::clock {

// While one exists, timeGetTime reads it and Sleep advances it at once
// instead of waiting. For tests only; one at a time, created and destroyed on
// one thread (reads may come from any).
class TestClock {
 public:
  explicit TestClock(DWORD start = 0);
  ~TestClock();
  TestClock(const TestClock&) = delete;
  TestClock& operator=(const TestClock&) = delete;

  DWORD Now() const { return m_now.load(); }
  void Set(DWORD now) { m_now.store(now); }
  void Advance(DWORD milliseconds) { m_now.fetch_add(milliseconds); }
  // Total milliseconds that Sleep was asked for while this clock was in place.
  unsigned long long Slept() const { return m_slept.load(); }

 private:
  friend void ::Sleep(DWORD);
  std::atomic<DWORD> m_now;
  std::atomic<unsigned long long> m_slept{0};
};

}  // namespace orvane::clock
