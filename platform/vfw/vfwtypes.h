// The capture window's messages and records, with the numbers and the 32-bit
// field layouts that callers fill and read. Handle fields are 32-bit values
// here, as they are in the records' published form.
#pragma once

#include <cstddef>

#include "platform/system/wintypes.h"
#include "platform/ui/windowmessage.h"

constexpr UINT WM_CAP_START = WM_USER;
constexpr UINT WM_CAP_DRIVER_CONNECT = WM_CAP_START + 10;
constexpr UINT WM_CAP_DRIVER_DISCONNECT = WM_CAP_START + 11;
constexpr UINT WM_CAP_DRIVER_GET_NAMEA = WM_CAP_START + 12;
constexpr UINT WM_CAP_DRIVER_GET_CAPS = WM_CAP_START + 14;
constexpr UINT WM_CAP_FILE_SET_CAPTURE_FILEA = WM_CAP_START + 20;
constexpr UINT WM_CAP_FILE_GET_CAPTURE_FILEA = WM_CAP_START + 21;
constexpr UINT WM_CAP_FILE_SAVEDIBA = WM_CAP_START + 25;
constexpr UINT WM_CAP_DLG_VIDEOFORMAT = WM_CAP_START + 41;
constexpr UINT WM_CAP_DLG_VIDEOSOURCE = WM_CAP_START + 42;
constexpr UINT WM_CAP_DLG_VIDEOCOMPRESSION = WM_CAP_START + 46;
constexpr UINT WM_CAP_SET_PREVIEW = WM_CAP_START + 50;
constexpr UINT WM_CAP_SET_OVERLAY = WM_CAP_START + 51;
constexpr UINT WM_CAP_SET_PREVIEWRATE = WM_CAP_START + 52;
constexpr UINT WM_CAP_GET_STATUS = WM_CAP_START + 54;
constexpr UINT WM_CAP_SEQUENCE = WM_CAP_START + 62;
constexpr UINT WM_CAP_SET_SEQUENCE_SETUP = WM_CAP_START + 64;
constexpr UINT WM_CAP_GET_SEQUENCE_SETUP = WM_CAP_START + 65;
constexpr UINT WM_CAP_STOP = WM_CAP_START + 68;
constexpr UINT WM_CAP_ABORT = WM_CAP_START + 69;

static_assert(WM_CAP_DRIVER_CONNECT == 0x40A && WM_CAP_GET_STATUS == 0x436 &&
              WM_CAP_SEQUENCE == 0x43E && WM_CAP_STOP == 0x444);

constexpr UINT AVSTREAMMASTER_AUDIO = 0;
constexpr UINT AVSTREAMMASTER_NONE = 1;
constexpr UINT VK_ESCAPE = 0x1B;
constexpr UINT VK_SPACE = 0x20;

using HVIDEO32 = DWORD;  // a handle as the records hold it

struct CAPDRIVERCAPS {
  UINT wDeviceIndex;
  BOOL fHasOverlay;
  BOOL fHasDlgVideoSource;
  BOOL fHasDlgVideoFormat;
  BOOL fHasDlgVideoDisplay;
  BOOL fCaptureInitialized;
  BOOL fDriverSuppliesPalettes;
  HVIDEO32 hVideoIn;
  HVIDEO32 hVideoOut;
  HVIDEO32 hVideoExtIn;
  HVIDEO32 hVideoExtOut;
};

struct CAPSTATUS {
  UINT uiImageWidth;
  UINT uiImageHeight;
  BOOL fLiveWindow;
  BOOL fOverlayWindow;
  BOOL fScale;
  LONG ptScrollX, ptScrollY;  // POINT ptScroll
  BOOL fUsingDefaultPalette;
  BOOL fAudioHardware;
  BOOL fCapFileExists;
  DWORD dwCurrentVideoFrame;
  DWORD dwCurrentVideoFramesDropped;
  DWORD dwCurrentWaveSamples;
  DWORD dwCurrentTimeElapsedMS;
  HVIDEO32 hPalCurrent;
  BOOL fCapturingNow;
  DWORD dwReturn;
  UINT wNumVideoAllocated;
  UINT wNumAudioAllocated;
};

struct CAPTUREPARMS {
  DWORD dwRequestMicroSecPerFrame;
  BOOL fMakeUserHitOKToCapture;
  UINT wPercentDropForError;
  BOOL fYield;
  DWORD dwIndexSize;
  UINT wChunkGranularity;
  BOOL fUsingDOSMemory;
  UINT wNumVideoRequested;
  BOOL fCaptureAudio;
  UINT wNumAudioRequested;
  UINT vKeyAbort;
  BOOL fAbortLeftMouse;
  BOOL fAbortRightMouse;
  BOOL fLimitEnabled;
  UINT wTimeLimit;
  BOOL fMCIControl;
  BOOL fStepMCIDevice;
  DWORD dwMCIStartTime;
  DWORD dwMCIStopTime;
  BOOL fStepCaptureAt2x;
  UINT wStepCaptureAverageFrames;
  DWORD dwAudioBufferSize;
  BOOL fDisableWriteCache;
  UINT AVStreamMaster;
};

static_assert(sizeof(CAPDRIVERCAPS) == 44 && offsetof(CAPDRIVERCAPS, fHasDlgVideoFormat) == 12 &&
              offsetof(CAPDRIVERCAPS, hVideoIn) == 28);
static_assert(sizeof(CAPSTATUS) == 76 && offsetof(CAPSTATUS, fUsingDefaultPalette) == 28 &&
              offsetof(CAPSTATUS, dwCurrentVideoFrame) == 40 &&
              offsetof(CAPSTATUS, fCapturingNow) == 60 && offsetof(CAPSTATUS, dwReturn) == 64);
static_assert(sizeof(CAPTUREPARMS) == 96 && offsetof(CAPTUREPARMS, fCaptureAudio) == 32 &&
              offsetof(CAPTUREPARMS, fLimitEnabled) == 52 &&
              offsetof(CAPTUREPARMS, wTimeLimit) == 56 &&
              offsetof(CAPTUREPARMS, dwAudioBufferSize) == 84 &&
              offsetof(CAPTUREPARMS, AVStreamMaster) == 92);

// Window styles capCreateCaptureWindowA takes.
constexpr DWORD kCapWsChild = 0x40000000;
constexpr DWORD kCapWsVisible = 0x10000000;
