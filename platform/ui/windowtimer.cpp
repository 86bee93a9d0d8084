#include "platform/ui/windowtimer.h"

#include <QTimerEvent>
#include <QWidget>
#include <map>

#include "platform/ui/windowmessage.h"

namespace orvane::ui {
namespace {

constexpr char kTimersName[] = "orvane-window-timers";

// The timers of one window, a hidden child of it, so they die with it.
class WindowTimers : public QObject {
 public:
  explicit WindowTimers(QWidget* window) : QObject(window), m_window(window) {
    setObjectName(kTimersName);
  }

  static WindowTimers* Of(QWidget* window, bool create) {
    auto* timers = window->findChild<WindowTimers*>(kTimersName, Qt::FindDirectChildrenOnly);
    if (!timers && create) timers = new WindowTimers(window);
    return timers;
  }

  void Set(UINT_PTR id, UINT elapse) {
    Kill(id);
    m_qtIds[id] = startTimer(static_cast<int>(elapse));
  }

  bool Kill(UINT_PTR id) {
    auto it = m_qtIds.find(id);
    if (it == m_qtIds.end()) return false;
    killTimer(it->second);
    m_qtIds.erase(it);
    return true;
  }

 protected:
  void timerEvent(QTimerEvent* event) override {
    for (auto& [id, qtId] : m_qtIds) {
      if (qtId != event->timerId()) continue;
      // The handler may kill or reset this very timer: copy the id first.
      const UINT_PTR windowId = id;
      SendMessage(m_window, WM_TIMER, windowId, 0);
      return;
    }
  }

 private:
  QWidget* m_window;
  std::map<UINT_PTR, int> m_qtIds;
};

}  // namespace
}  // namespace orvane::ui

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse) {
  if (!window) return 0;
  orvane::ui::WindowTimers::Of(window, true)->Set(id, elapse);
  // A window's timer 0 is a timer like any (Velbin's clock is one); the
  // result only has to be non-zero.
  return id ? id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  if (!window) return FALSE;
  orvane::ui::WindowTimers* timers = orvane::ui::WindowTimers::Of(window, false);
  return timers && timers->Kill(id) ? TRUE : FALSE;
}
