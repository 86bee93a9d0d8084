// Tarrow's link to the camera: the capture driver it picks by description,
// the one capture window it connects to that driver, the live preview, and
// the records the capture-window messages fill. GUI thread only.
#pragma once

#include "platform/system/wintypes.h"
#include "platform/ui/windowmessage.h"
#include "platform/vfw/vfwtypes.h"

constexpr int kDriverTableSize = 6;
constexpr int kDriverEntryLength = 160;

extern HWND CaptureWindow;  // null when there is none
extern char DriverTable[kDriverTableSize][kDriverEntryLength];
extern int DriverCount;
extern int DriverIndex;
extern int DriverFound;
extern CAPDRIVERCAPS DriverCaps;
extern CAPSTATUS CaptureStatus;
extern CAPTUREPARMS CaptureParams;
extern RECT PreviewRect;  // in main-window client coordinates
extern int LimitPreviewWidth;
extern int InitialPreviewOffset;

// Sends a capture-window message while CaptureWindow is a live window; 0
// (and nothing sent) otherwise.
LRESULT SendCaptureMessage(UINT message, WPARAM wParam, LPARAM lParam);
template <class Record>
LRESULT SendCaptureRecord(UINT message, Record& record) {
  return SendCaptureMessage(message, sizeof record, reinterpret_cast<LPARAM>(&record));
}

// Fills DriverTable and picks the first driver whose description starts with
// the maker's or the system's name: DriverCount then, 0 (after telling the
// user) when none does.
int FindCaptureDriver();
// With discover, FindCaptureDriver first; then, when a driver was found,
// creates the capture window under parent and connects it. TRUE when
// connected.
BOOL ConnectCaptureWindow(HWND parent, BOOL discover);
// Disconnects the driver and destroys the window: every connection makes a
// new one, so a kept window would only be left behind. A recording in
// progress is finished first.
void DisconnectCaptureWindow();
void SetDefaultCaptureParams(HWND window);

void StartPreview();
void StopPreview();
// Sizes the capture window to the image (320 by 240 at most while
// LimitPreviewWidth holds) and centres it, with the offset in force, in the
// main window's client area.
void LayoutPreview();

// The message LayoutPreview shows for an image wider than 320.
extern const char kNarrowFormatOnly[];
