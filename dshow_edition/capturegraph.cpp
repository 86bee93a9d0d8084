// The engine's recording half: the capture graph into "videofNN.avi", the
// start prompt, starting and stopping the recording.
#include <QPointer>
#include <QWidget>
#include <cstdio>
#include <cstring>
#include <string>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "dshow_edition/startcapturedlg.h"
#include "platform/dshow/com.h"
#include "platform/system/clock.h"
#include "platform/system/files.h"
#include "platform/ui/messagebox.h"

using namespace dshow;

namespace {

CaptureGraphState& S() { return GraphState(); }

constexpr int kFileNumbers = 30;  // videof00.avi to videof29.avi
constexpr size_t kFileNameLength = 12;

// Appends the first free "videofNN.avi" to directory. While all 30 are taken
// the user is asked to make room, and the search starts again at 0.
void AppendFreeFileName(std::string& directory) {
  for (;;) {
    for (int number = 0; number < kFileNumbers; ++number) {
      char name[16];
      std::snprintf(name, sizeof name, "videof%02d.avi", number);
      directory += name;
      if (!orvane::files::NameIsTaken(directory)) return;
      directory.resize(directory.size() - kFileNameLength);
    }
    AfxMessageBox("File Full. Delete Useless Files.", MB_OK);
  }
}

// The step's failure: its message, then nothing of the graph is left.
BOOL FailCapture(const char* text) {
  ShowEngineError(text);
  DismantleGraph();
  return FALSE;
}

// Holds the file branch back behind a running preview (or a held-back one).
// False when the device cannot do that.
bool HoldBackFileStream(ICaptureGraphBuilder& builder) {
  const REFERENCE_TIME never = kNeverTime;
  HRESULT hr = Settings().WantPreview
                   ? builder.ControlStream(PinCategory::Preview, nullptr, nullptr, &never, 0, 0)
                   : builder.ControlStream(PinCategory::Preview, nullptr, &never, nullptr, 0, 0);
  if (FAILED(hr)) return false;
  hr = builder.ControlStream(PinCategory::Capture, nullptr, &never, nullptr, 0, 0);
  return SUCCEEDED(hr);
}

// Stops the graph after a failed start; the control reference goes with it.
BOOL FailStart(Ref<IMediaControl>& control, const char* format, HRESULT hr) {
  control->Stop();
  control.reset();
  ShowEngineError(format, static_cast<unsigned>(hr));
  return FALSE;
}

}  // namespace

BOOL AssembleCaptureGraph(HWND owner) {
  if (S().captureGraphBuilt) return TRUE;
  if (S().capturing || S().previewing || !S().videoCapture ||
      (!S().audioCapture && Settings().CaptureAudio))
    return FALSE;
  CaptureSettings& settings = Settings();
  StripFileName(settings.SaveVideo);
  // CaptureFile holds 259 bytes: a longer path would be cut and the
  // recording would go somewhere else.
  if (settings.SaveVideo.size() + kFileNameLength >= sizeof settings.CaptureFile) {
    ShowEngineError("The video folder's path is too long for a recording: %s",
                    settings.SaveVideo.c_str());
    return FALSE;
  }
  AppendFreeFileName(settings.SaveVideo);
  std::memcpy(settings.CaptureFile, settings.SaveVideo.c_str(), settings.SaveVideo.size() + 1);
  if (S().previewGraphBuilt) DismantleGraph();

  if (S().builder->SetOutputFileName(SubType::Avi, settings.CaptureFile, &S().muxFilter,
                                     &S().fileSink) != S_OK)
    return FailCapture("Cannot set output file");
  if (SUCCEEDED(QueryInterface(S().muxFilter, &S().aviMuxConfig))) {
    S().aviMuxConfig->SetOutputCompatibilityIndex(TRUE);
    if (settings.CaptureAudio) S().aviMuxConfig->SetMasterStream(settings.MasterStream);
  }
  if (S().builder->RenderStream(PinCategory::Capture, S().videoCapture, nullptr, S().muxFilter) !=
      S_OK)
    return FailCapture("Cannot render video capture stream");
  if (settings.WantPreview) {
    const HRESULT hr =
        S().builder->RenderStream(PinCategory::Preview, S().videoCapture, nullptr, nullptr);
    if (hr == VFW_S_NOPREVIEWPIN)
      S().previewFromCapturePin = true;
    else if (hr != S_OK)
      return FailCapture("Cannot render video preview stream");
  }
  if (settings.CaptureAudio && S().builder->RenderStream(PinCategory::Capture, S().audioCapture,
                                                         nullptr, S().muxFilter) != S_OK)
    return FailCapture("Cannot render audio capture stream");

  if (FAILED(S().builder->FindVideoWindow(
          S().previewFromCapturePin ? PinCategory::Capture : PinCategory::Preview, S().videoCapture,
          &S().videoWindow))) {
    if (settings.WantPreview) ShowEngineError("This graph cannot preview");
  } else {
    PlaceVideoWindow(owner);
  }
  ApplyFrameRate(FrameRateForm::kCapture);
  if (SUCCEEDED(QueryInterface(S().graph, &S().graphEvents)))
    S().graphEvents->SetNotifyWindow(owner, WM_CAPTURE_GRAPH_EVENT, 0);
  S().captureGraphBuilt = true;
  return TRUE;
}

BOOL BeginRecording(HWND owner) {
  if (S().capturing) return TRUE;
  if (S().previewing) HaltPreview();
  if (!S().captureGraphBuilt) return FALSE;
  const bool streamControl = HoldBackFileStream(*S().builder);

  Ref<IMediaControl> control;
  if (HRESULT hr = QueryInterface(S().graph, &control); FAILED(hr)) {
    ShowEngineError("Error %x: Cannot get IMediaControl", static_cast<unsigned>(hr));
    return FALSE;
  }
  // With stream control the preview runs behind the prompt and nothing is
  // written yet; without it the graph can only wait paused.
  if (HRESULT hr = streamControl ? control->Run() : control->Pause(); FAILED(hr))
    return FailStart(control, "Error %x: Cannot start graph", hr);

  // On the heap: the window it belongs to may go while it waits (the
  // program ending), and take the prompt with it.
  QPointer<QWidget> ownerAlive(owner);
  QPointer<CStartCaptureDlg> prompt = new CStartCaptureDlg(owner);
  const int answer = prompt->DoModal();
  delete prompt;
  if (answer != IDOK || !ownerAlive) {
    control->Stop();
    control.reset();
    // The file was opened for this recording and holds none of it.
    DeleteFile(Settings().SaveVideo.c_str());
    if (!ownerAlive) return FALSE;
    if (Settings().WantPreview) {
      AssemblePreviewGraph(owner);
      RunPreview();
    }
    return FALSE;
  }
  if (streamControl) {
    const REFERENCE_TIME never = kNeverTime;
    S().builder->ControlStream(PinCategory::Capture, nullptr, nullptr, &never, 0, 0);
  } else if (HRESULT hr = control->Run(); FAILED(hr)) {
    return FailStart(control, "Error %x: Cannot run graph", hr);
  }
  control.reset();
  S().RecordStartTime = timeGetTime();
  S().capturing = true;
  return TRUE;
}

namespace {

// Stops the recording graph; *finished tells whether the file was finished
// cleanly (otherwise it was cut off and has been repaired). FALSE, with the
// message, when the graph cannot be stopped.
BOOL StopRecording(HWND window, bool* finished) {
  Ref<IMediaControl> control;
  HRESULT hr = QueryInterface(S().graph, &control);
  if (SUCCEEDED(hr)) hr = control->Stop();
  control.reset();
  if (FAILED(hr)) {
    ShowEngineError("Error %x: Cannot stop graph", static_cast<unsigned>(hr));
    return FALSE;
  }
  S().capturing = false;
  *finished = hr == S_OK;
  if (window) window->update();
  return TRUE;
}

constexpr char kCaptureFailed[] = "ERROR during capture - disk possibly full";
// The capture layer's code for a device that was unplugged (ERROR_DEVICE_NOT_CONNECTED).
constexpr HRESULT kDeviceNotConnectedCode = static_cast<HRESULT>(0x8007048F);

}  // namespace

BOOL EndRecording(HWND window) {
  if (!S().capturing) return FALSE;
  bool finished = true;
  if (!StopRecording(window, &finished)) return FALSE;
  // A file that could not be finished (the disk filled while its index was
  // written) was repaired and is kept; the user hears of it.
  if (!finished) ShowEngineError(kCaptureFailed);
  return TRUE;
}

// A camera lost while only the preview runs (unplugged, its PipeWire node
// gone): the preview stops once and the user hears why.
void HandlePreviewEvents() {
  Ref<IMediaEventEx> events;
  if (!S().graph || FAILED(QueryInterface(S().graph, &events))) return;
  long code = 0;
  INT_PTR param1 = 0, param2 = 0;
  while (events->GetEvent(&code, &param1, &param2, 0) == S_OK) {
    events->FreeEventParams(code, param1, param2);
    if (code != EC_ERRORABORT || !S().previewing) continue;
    HaltPreview();
    ShowEngineError("Error %x: Cannot run preview graph", static_cast<unsigned>(param1));
    return;
  }
}

void HandleCaptureEvents(HWND window) {
  if (!S().capturing) {
    HandlePreviewEvents();
    return;
  }
  if (!S().graphEvents) return;
  long code = 0;
  INT_PTR param1 = 0, param2 = 0;
  while (S().graphEvents && S().graphEvents->GetEvent(&code, &param1, &param2, 0) == S_OK) {
    S().graphEvents->FreeEventParams(code, param1, param2);
    if (code != EC_ERRORABORT) continue;
    bool finished = true;
    StopRecording(window, &finished);
    bool previewBack = true;
    if (Settings().WantPreview) {
      AssemblePreviewGraph(window);
      previewBack = RunPreview();
    }
    // A camera that went away is no full disk: the preview that cannot come
    // back has said so, with its code, and that is the one message.
    if (previewBack || static_cast<HRESULT>(param1) != kDeviceNotConnectedCode)
      ShowEngineError(kCaptureFailed);
    return;
  }
}
