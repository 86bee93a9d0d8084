// Window timers with ids (SetTimer, KillTimer): a timer belongs to a window,
// is named by an id the window chooses, and arrives at that window as
// WM_TIMER (a WindowMessageEvent, wParam = the id) every period until killed.
//
// As on Windows, setting a timer whose id the window already uses restarts
// it with the new period, and periods that elapse while the window is busy
// do not pile up.
#pragma once

#include "platform/system/wintypes.h"

// Starts (or restarts) window's timer id, firing every elapse milliseconds.
// Returns id (1 for id 0, which a window may use too); 0 for a null window.
// GUI thread only.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse);

// Stops window's timer id. FALSE when window has no such timer.
BOOL KillTimer(HWND window, UINT_PTR id);
