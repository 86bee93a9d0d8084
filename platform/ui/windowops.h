// Window functions over widgets: whether a handle is a live window, moving
// one, its client rectangle, invalidating it, and the application's main
// window. GUI thread only.
#pragma once

#include "platform/system/wintypes.h"

// A window that draws its own frame keeps its client area in a child
// widget: dialog controls, child windows and the client rectangle are that
// widget's. ClientArea is the window itself for any other window.
void SetClientArea(HWND window, HWND client);
HWND ClientArea(HWND window);

// TRUE while window is a widget that has not been destroyed.
BOOL IsWindow(HWND window);
// Places window at (x, y) in its parent's client coordinates with that size;
// with repaint it is drawn again at once.
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
// (0, 0, width, height) of the window's client area (ClientArea's size).
BOOL GetClientRect(HWND window, RECT* rect);
// Schedules a repaint of rect (null: the whole client area). The erase flag
// is kept for the callers' sake: every repaint here draws the background.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);

// Moves a top-level window into its screen's available area where its
// place (a program's own rule, a large scale factor, a small screen) puts
// any of it outside; a window that fits stays where it is.
void KeepInsideScreen(HWND window);

// The application's main window (the framework's m_pMainWnd): null until a
// program sets it, and null again once that window is destroyed.
HWND AfxGetMainWnd();
void AfxSetMainWnd(HWND window);
