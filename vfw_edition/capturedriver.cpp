#include "vfw_edition/capturedriver.h"

#include <QWidget>
#include <algorithm>
#include <cstring>
#include <string>

#include "controls/camerahint.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/windowops.h"
#include "platform/vfw/capturewindow.h"

HWND CaptureWindow = nullptr;
char DriverTable[kDriverTableSize][kDriverEntryLength];
int DriverCount = 0;
int DriverIndex = 0;
int DriverFound = 0;
CAPDRIVERCAPS DriverCaps{};
CAPSTATUS CaptureStatus{};
CAPTUREPARMS CaptureParams{};
RECT PreviewRect{};
int LimitPreviewWidth = 1;
int InitialPreviewOffset = 1;

LRESULT SendCaptureMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(CaptureWindow)) return 0;
  return SendMessage(CaptureWindow, message, wParam, lParam);
}

int FindCaptureDriver() {
  constexpr int kNameLength = 160, kVersionLength = 80, kPrefixLength = 8;
  DriverCount = 0;
  for (WORD index = 0; DriverCount < kDriverTableSize; ++index) {
    char name[kNameLength], version[kVersionLength];
    if (!capGetDriverDescriptionA(index, name, kNameLength, version, kVersionLength)) break;
    // Name and version together may be longer than an entry: cut, not overrun.
    const std::string entry = std::string(name) + ", " + version;
    const std::size_t length =
        std::min(entry.size(), static_cast<std::size_t>(kDriverEntryLength - 1));
    std::memcpy(DriverTable[DriverCount], entry.data(), length);
    DriverTable[DriverCount][length] = '\0';
    ++DriverCount;
  }
  for (int i = 0; i < DriverCount; ++i) {
    if (std::strncmp(DriverTable[i], "Lumitrex", kPrefixLength) == 0 ||
        std::strncmp(DriverTable[i], "Microsof", kPrefixLength) == 0) {
      DriverIndex = i;
      DriverFound = 1;
      return DriverCount;
    }
  }
  PointToCameraDoctor("no camera whose name begins with \"Lumitrex\" or \"Microsof\"");
  MessageBox(nullptr, "No Lumitrex camera found !\n Install Lumitrex Camera.", "Error", MB_OK);
  return 0;
}

BOOL ConnectCaptureWindow(HWND parent, BOOL discover) {
  if (discover) FindCaptureDriver();
  if (!DriverFound) return FALSE;
  CaptureWindow = capCreateCaptureWindowA("Video Capture Window", kCapWsChild | kCapWsVisible, 0, 0,
                                          160, 120, parent, 1);
  if (!IsWindow(CaptureWindow) ||
      !SendMessage(CaptureWindow, WM_CAP_DRIVER_CONNECT, static_cast<WPARAM>(DriverIndex), 0)) {
    PointToCameraDoctor("the camera could not be connected (busy, or no permission?)");
    MessageBox(nullptr, "Camera Device is disabled !!!", "Error", MB_OK);
    return FALSE;
  }
  SendCaptureRecord(WM_CAP_DRIVER_GET_CAPS, DriverCaps);
  SendCaptureRecord(WM_CAP_GET_STATUS, CaptureStatus);
  SetDefaultCaptureParams(CaptureWindow);
  return TRUE;
}

void DisconnectCaptureWindow() {
  SendCaptureMessage(WM_CAP_DRIVER_DISCONNECT, 0, 0);
  if (IsWindow(CaptureWindow)) delete CaptureWindow;
  CaptureWindow = nullptr;
}

void SetDefaultCaptureParams(HWND window) {
  if (!IsWindow(window)) return;
  SendMessage(window, WM_CAP_GET_SEQUENCE_SETUP, sizeof CaptureParams,
              reinterpret_cast<LPARAM>(&CaptureParams));
  CaptureParams.dwRequestMicroSecPerFrame = 33333;
  CaptureParams.fMakeUserHitOKToCapture = 0;
  CaptureParams.wPercentDropForError = 1;
  CaptureParams.fYield = 0;
  CaptureParams.dwIndexSize = 34952;
  CaptureParams.wChunkGranularity = 0;
  CaptureParams.fCaptureAudio = 0;
  CaptureParams.wNumAudioRequested = 10;
  CaptureParams.vKeyAbort = 0;
  CaptureParams.fAbortLeftMouse = 0;
  CaptureParams.fAbortRightMouse = 1;
  CaptureParams.fLimitEnabled = 0;
  CaptureParams.wTimeLimit = 10;
  CaptureParams.fMCIControl = 0;
  CaptureParams.fStepCaptureAt2x = 0;
  CaptureParams.wStepCaptureAverageFrames = 3;
  CaptureParams.dwAudioBufferSize = 10240;
  CaptureParams.AVStreamMaster = 0;
  SendMessage(window, WM_CAP_SET_SEQUENCE_SETUP, sizeof CaptureParams,
              reinterpret_cast<LPARAM>(&CaptureParams));
}
