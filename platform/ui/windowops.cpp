#include "platform/ui/windowops.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>

namespace {
constexpr char kClientAreaProperty[] = "orvaneClientArea";
}

void SetClientArea(HWND window, HWND client) {
  if (window) window->setProperty(kClientAreaProperty, QVariant::fromValue<QObject*>(client));
}

HWND ClientArea(HWND window) {
  if (!window) return nullptr;
  auto* client = qobject_cast<QWidget*>(window->property(kClientAreaProperty).value<QObject*>());
  return client ? client : window;
}

BOOL IsWindow(HWND window) {
  return window && QApplication::allWidgets().contains(window) ? TRUE : FALSE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  if (!IsWindow(window)) return FALSE;
  window->setGeometry(x, y, std::max(0, width), std::max(0, height));
  if (repaint) window->repaint();
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  if (!IsWindow(window) || !rect) return FALSE;
  const QWidget* client = ClientArea(window);
  *rect = RECT{0, 0, client->width(), client->height()};
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL) {
  if (!IsWindow(window)) return FALSE;
  if (rect)
    window->update(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top);
  else
    window->update();
  return TRUE;
}

namespace {
QPointer<QWidget> g_mainWindow;
}

HWND AfxGetMainWnd() { return g_mainWindow.data(); }
void AfxSetMainWnd(HWND window) { g_mainWindow = window; }

void KeepInsideScreen(HWND window) {
  if (!window || !window->isWindow()) return;
  QScreen* screen = QGuiApplication::screenAt(window->frameGeometry().center());
  if (!screen) screen = window->screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // Whether move() places the frame or the client area differs between
  // platforms: a second pass takes up what the first left over.
  for (int pass = 0; pass < 2; ++pass) {
    const QRect frame = window->frameGeometry();
    // Too large for the area: its top-left corner stays inside.
    const int x = std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width()));
    const int y = std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height()));
    if (x == frame.left() && y == frame.top()) return;
    window->move(window->pos() + QPoint(x - frame.left(), y - frame.top()));
  }
}
