// The live picture: on, off, and where the capture window sits in the main
// window.
#include <QWidget>

#include "platform/ui/messagebox.h"
#include "platform/ui/windowops.h"
#include "vfw_edition/capturedriver.h"

const char kNarrowFormatOnly[] =
    "이 프로그램은 가로 길이가 320이하인 포맷만 지원합니다.\n포맷에서 320이하로 설정하십시요.";

void StartPreview() {
  SendCaptureMessage(WM_CAP_SET_PREVIEWRATE, 33, 0);
  if (DriverCaps.fHasOverlay)
    SendCaptureMessage(WM_CAP_SET_OVERLAY, 1, 0);
  else
    SendCaptureMessage(WM_CAP_SET_PREVIEW, 1, 0);
  LayoutPreview();
}

void StopPreview() {
  if (DriverCaps.fHasOverlay)
    SendCaptureMessage(WM_CAP_SET_OVERLAY, 0, 0);
  else
    SendCaptureMessage(WM_CAP_SET_PREVIEW, 0, 0);
}

void LayoutPreview() {
  HWND main = AfxGetMainWnd();
  RECT client{};
  GetClientRect(main, &client);
  CAPSTATUS status{};
  UINT width = 0, height = 0;
  if (SendCaptureRecord(WM_CAP_GET_STATUS, status)) {
    width = status.uiImageWidth;
    height = status.uiImageHeight;
  }
  if (LimitPreviewWidth == 1 && width > 320) {
    width = 320;
    height = 240;
    AfxMessageBox(kNarrowFormatOnly);
  }
  PreviewRect = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
  // Signed halves: a window smaller than the image centres at 0.
  long long x = (static_cast<long long>(client.right) - width) / 2;
  long long y = (static_cast<long long>(client.bottom) - height) / 2;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  const LONG dx = static_cast<LONG>(x) - (InitialPreviewOffset == 1 ? 67 : 53);
  const LONG dy = static_cast<LONG>(y) - (InitialPreviewOffset == 1 ? 24 : 7);
  PreviewRect = RECT{PreviewRect.left + dx, PreviewRect.top + dy, PreviewRect.right + dx,
                     PreviewRect.bottom + dy};
  if (IsWindow(CaptureWindow))
    MoveWindow(CaptureWindow, PreviewRect.left, PreviewRect.top,
               PreviewRect.right - PreviewRect.left, PreviewRect.bottom - PreviewRect.top, TRUE);
  InvalidateRect(main, nullptr, TRUE);
}
