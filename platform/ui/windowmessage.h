// Window messages that travel between windows: posted (queued, any thread)
// or sent (at once, GUI thread), delivered to the target widget as a
// WindowMessageEvent. Receivers handle it in event() or an event filter.
#pragma once

#include <QEvent>

#include "platform/system/wintypes.h"

using WPARAM = UINT_PTR;
using LPARAM = INT_PTR;
using LRESULT = INT_PTR;

constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;

class WindowMessageEvent : public QEvent {
 public:
  WindowMessageEvent(UINT message, WPARAM wParam, LPARAM lParam)
      : QEvent(EventType()), m_message(message), m_wParam(wParam), m_lParam(lParam) {}

  static QEvent::Type EventType();

  UINT message() const { return m_message; }
  WPARAM wParam() const { return m_wParam; }
  LPARAM lParam() const { return m_lParam; }
  // What a sent message returns to its sender.
  void setResult(LRESULT result) { m_result = result; }
  LRESULT result() const { return m_result; }

 private:
  UINT m_message;
  WPARAM m_wParam;
  LPARAM m_lParam;
  LRESULT m_result = 0;
};

// Queues the message for window and returns at once; any thread. The message
// is dropped when the window is destroyed before it is delivered. FALSE for a
// null window.
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Delivers the message now and returns the receiver's result; GUI thread.
LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
