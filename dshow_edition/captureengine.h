// The capture engine's operations over CaptureGraphState: devices, the
// preview graph and (later) the capture graph. Results are 1 (done) or 0;
// every failure is shown by the engine itself through ShowEngineError.
// GUI thread only.
#pragma once

#include "dshow_edition/capturegraphstate.h"
#include "platform/system/wintypes.h"

// Formats with the Windows printf rules ("%x" lower-case hexadecimal without
// leading zeros) and shows the text in a task-modal warning box with the
// default caption; blocks until it is dismissed.
void ShowEngineError(const char* format, ...);

void ListCaptureDevices();
void OpenCaptureDevices(HWND owner, int videoIndex, int audioIndex);
BOOL SetUpCaptureFilters(HWND owner);
void ReleaseCaptureFilters();
BOOL EnsureGraphBuilder();
BOOL EnsureFilterGraph();

BOOL AssemblePreviewGraph(HWND owner);
void PlaceVideoWindow(HWND owner);
BOOL RunPreview();
BOOL HaltPreview();
void DismantleGraph();
void RemoveDownstream(const dshow::Ref<dshow::IBaseFilter>& filter);
void FitFrameWindow(HWND window, int width, int height);

// The whole load: the profile half, the device list, and the devices opened
// with the preview owner (the video frame window).
void LoadSettings(HWND previewOwner);
