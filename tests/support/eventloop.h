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

// Polls every 5 ms for the modal widget find() returns and runs action on
// it once. The poll belongs to the application, so one that never found its
// widget ends with it.
inline void WhenModalFound(std::function<QWidget*()> find, std::function<void(QWidget*)> action) {
  auto* poll = new QTimer(qApp);
  poll->setInterval(5);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, find, action] {
    QWidget* widget = find();
    if (!widget) return;
    poll->stop();
    poll->deleteLater();
    action(widget);
  });
  poll->start();
}

// Runs action on the first modal widget of type Dialog once it is up.
template <class Dialog>
void WhenModalShows(std::function<void(Dialog*)> action) {
  WhenModalFound([] { return qobject_cast<Dialog*>(QApplication::activeModalWidget()); },
                 [action](QWidget* dialog) { action(static_cast<Dialog*>(dialog)); });
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
