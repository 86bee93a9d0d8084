// The capture engine's operations over CaptureGraphState: devices, the
// preview graph and (later) the capture graph. Results are 1 (done) or 0;
// every failure is shown by the engine itself through ShowEngineError.
// GUI thread only.
#pragma once

#include "dshow_edition/capturegraphstate.h"
#include "platform/system/wintypes.h"
#include "platform/ui/windowmessage.h"

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
// Sets the capture pin to the settings' frame rate when UseFrameRate is set.
// The preview form reports a refused format with its code and keeps quiet
// about a missing configuration; the capture form says one thing for all.
enum class FrameRateForm { kPreview, kCapture };
void ApplyFrameRate(FrameRateForm form);
BOOL RunPreview();
BOOL HaltPreview();
void DismantleGraph();
void RemoveDownstream(const dshow::Ref<dshow::IBaseFilter>& filter);
void FitFrameWindow(HWND window, int width, int height);

BOOL AssembleCaptureGraph(HWND owner);
BOOL BeginRecording(HWND owner);
BOOL EndRecording(HWND window);
// The settings dialog's Audio... button: the format chooser on the audio
// capture pin, applied with the preview halted.
void PickAudioFormat(HWND owner);
// The frame window's handler of the graph's notification (WM_USER + 1):
// drains the events while recording; a write or device failure stops the
// recording, brings the preview back and says so. While only the preview
// runs, a camera that fails (unplugged) halts it and says so, once.
void HandleCaptureEvents(HWND window);

// The notification the capture graph posts to its owner window.
constexpr UINT WM_CAPTURE_GRAPH_EVENT = WM_USER + 1;

// The whole load: the profile half, the device list, and the devices opened
// with the preview owner (the video frame window).
void LoadSettings(HWND previewOwner);
