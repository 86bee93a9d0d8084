// Driving the Qt event loop from tests: modal dialogs run their own loop, so
// what a user would do there is scheduled before the dialog opens.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>

namespace orvane::test {

// Runs action on the first modal widget of type Dialog once it is up.
template <class Dialog>
void WhenModalShows(std::function<void(Dialog*)> action) {
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [action, poll] {
    if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      action(dialog);
      return;
    }
    QTimer::singleShot(5, *poll);
  };
  QTimer::singleShot(0, *poll);
}

// Processes events until done() holds or timeoutMs pass; whether it held.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

inline void PumpFor(int ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace orvane::test
