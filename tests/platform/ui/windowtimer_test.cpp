#include "platform/ui/windowtimer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <vector>

#include "platform/ui/windowmessage.h"

namespace {

// Records the ids of the WM_TIMER messages it receives.
class Window : public QWidget {
 public:
  std::vector<UINT_PTR> ticks;
  std::function<void(UINT_PTR)> onTick;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == WindowMessageEvent::EventType()) {
      auto* message = static_cast<WindowMessageEvent*>(event);
      if (message->message() == WM_TIMER) {
        ticks.push_back(message->wParam());
        if (onTick) onTick(message->wParam());
        return true;
      }
    }
    return QWidget::event(event);
  }
};

void RunLoop(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

long Count(const std::vector<UINT_PTR>& ticks, UINT_PTR id) {
  return std::count(ticks.begin(), ticks.end(), id);
}

}  // namespace

TEST(WindowTimer, TicksWithItsIdUntilKilledOrReset) {
  Window window;
  EXPECT_EQ(SetTimer(&window, 1, 10), 1u);
  EXPECT_EQ(SetTimer(&window, 7, 200), 7u);
  RunLoop(100);
  EXPECT_GE(Count(window.ticks, 1), 3);
  EXPECT_EQ(Count(window.ticks, 7), 0);
  EXPECT_EQ(KillTimer(&window, 1), TRUE);
  EXPECT_EQ(KillTimer(&window, 1), FALSE);
  window.ticks.clear();
  RunLoop(50);
  EXPECT_EQ(Count(window.ticks, 1), 0);
  EXPECT_EQ(KillTimer(&window, 7), TRUE);
  SetTimer(&window, 3, 10);
  SetTimer(&window, 3, 1000);  // the same id again: one timer, now slow
  RunLoop(80);
  EXPECT_EQ(Count(window.ticks, 3), 0);
  EXPECT_EQ(KillTimer(&window, 3), TRUE);
  EXPECT_EQ(KillTimer(&window, 3), FALSE);
}

TEST(WindowTimer, AHandlerMayKillItsOwnTimer) {
  Window window;
  window.onTick = [&window](UINT_PTR id) { KillTimer(&window, id); };
  SetTimer(&window, 1, 5);
  RunLoop(60);
  EXPECT_EQ(window.ticks, std::vector<UINT_PTR>{1});
}

TEST(WindowTimer, BelongsToItsWindow) {
  Window a, b;
  SetTimer(&a, 1, 10);
  EXPECT_EQ(KillTimer(&b, 1), FALSE);
  EXPECT_EQ(SetTimer(nullptr, 1, 10), 0u);
  EXPECT_NE(SetTimer(&b, 0, 10), 0u) << "timer 0 of a window is a timer too";
  EXPECT_EQ(KillTimer(nullptr, 1), FALSE);
  RunLoop(30);
  EXPECT_GE(Count(a.ticks, 1), 1);
  EXPECT_EQ(Count(b.ticks, 1), 0);
  EXPECT_GE(Count(b.ticks, 0), 1);
  KillTimer(&a, 1);
  EXPECT_EQ(KillTimer(&b, 0), TRUE);
}
