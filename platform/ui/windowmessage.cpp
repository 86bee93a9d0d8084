#include "platform/ui/windowmessage.h"

#include <QCoreApplication>
#include <QWidget>

QEvent::Type WindowMessageEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window) return FALSE;
  // Qt removes pending events of a deleted receiver, so a late message never
  // reaches freed memory.
  QCoreApplication::postEvent(window, new WindowMessageEvent(message, wParam, lParam));
  return TRUE;
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!window) return 0;
  WindowMessageEvent event(message, wParam, lParam);
  QCoreApplication::sendEvent(window, &event);
  return event.result();
}
