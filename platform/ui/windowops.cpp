#include "platform/ui/windowops.h"

#include <QApplication>
#include <QPointer>
#include <QVariant>
#include <QWidget>

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
