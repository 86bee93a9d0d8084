#include "platform/system/clock.h"

#include <time.h>

#include <cerrno>

namespace {
std::atomic<orvane::clock::TestClock*> g_testClock{nullptr};
}

DWORD timeGetTime() {
  if (orvane::clock::TestClock* test = g_testClock.load()) return test->Now();
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  // Truncation to 32 bits is the point: the count wraps like the real one.
  unsigned long long ms = static_cast<unsigned long long>(now.tv_sec) * 1000ull +
                          static_cast<unsigned long long>(now.tv_nsec) / 1000000ull;
  return static_cast<DWORD>(ms);
}

void Sleep(DWORD milliseconds) {
  if (orvane::clock::TestClock* test = g_testClock.load()) {
    test->m_slept.fetch_add(milliseconds);
    test->Advance(milliseconds);
    return;
  }
  timespec request{static_cast<time_t>(milliseconds / 1000),
                   static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&request, &request) != 0 && errno == EINTR) {
  }
}

namespace orvane::clock {

TestClock::TestClock(DWORD start) : m_now(start) { g_testClock.store(this); }

TestClock::~TestClock() {
  TestClock* self = this;
  g_testClock.compare_exchange_strong(self, nullptr);
}

}  // namespace orvane::clock
