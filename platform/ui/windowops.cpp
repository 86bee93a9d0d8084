#include "platform/ui/windowops.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>

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
  *rect = RECT{0, 0, window->width(), window->height()};
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
