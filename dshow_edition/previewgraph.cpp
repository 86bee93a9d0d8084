// The engine's preview half: building, running, halting and taking apart the
// preview graph, and the frame-rate step shared with the capture graph.
#include <QWidget>
#include <cstring>

#include "controls/camerahint.h"
#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"

using namespace dshow;

namespace {

CaptureGraphState& S() { return GraphState(); }

}  // namespace

void ApplyFrameRate(FrameRateForm form) {
  if (!Settings().UseFrameRate) return;
  const bool capture = form == FrameRateForm::kCapture;
  // The capture form has one message for every way the rate is not applied.
  auto refused = [capture](HRESULT hr) {
    if (capture)
      ShowEngineError("Cannot set frame rate for capture");
    else if (hr != S_OK)
      ShowEngineError("%x: Cannot set frame rate for preview", static_cast<unsigned>(hr));
  };
  AM_MEDIA_TYPE* type = nullptr;
  if (!S().videoStreamConfig || FAILED(S().videoStreamConfig->GetFormat(&type))) {
    refused(S_OK);  // the preview form keeps quiet about these
    return;
  }
  if (type->formattype != FormatType::VideoInfo || !type->pbFormat ||
      type->cbFormat < sizeof(VIDEOINFOHEADER)) {
    refused(S_OK);  // a block too short to hold the rate is not read past
    DeleteMediaType(type);
    return;
  }
  // A rate with no frame duration (0 or below, from a hand-edited setting)
  // is refused rather than divided by.
  const LONG duration = DurationFromFrameRate(Settings().FrameRate);
  HRESULT hr = E_INVALIDARG;
  if (duration > 0) {
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, type->pbFormat, sizeof vih);
    vih.AvgTimePerFrame = duration;
    std::memcpy(type->pbFormat, &vih, sizeof vih);
    hr = S().videoStreamConfig->SetFormat(type);
  }
  if (hr != S_OK) refused(hr);
  DeleteMediaType(type);
}

void PlaceVideoWindow(HWND owner) {
  IVideoWindow* window = S().videoWindow.get();
  window->put_Owner(owner);
  window->put_WindowStyle(WS_CHILD);
  const QRect client = owner ? owner->rect() : QRect();
  window->SetWindowPosition(20, 18, client.width() - 40, client.height() - 36);
  window->put_Visible(OATRUE);
}

BOOL AssemblePreviewGraph(HWND owner) {
  if (S().previewGraphBuilt) return TRUE;
  if (S().capturing || S().previewing || !S().videoCapture ||
      (!S().audioCapture && Settings().CaptureAudio))
    return FALSE;
  if (S().captureGraphBuilt) DismantleGraph();
  const HRESULT hr =
      S().builder->RenderStream(PinCategory::Preview, S().videoCapture, nullptr, nullptr);
  if (hr == VFW_S_NOPREVIEWPIN)
    S().previewFromCapturePin = true;
  else if (hr != S_OK)
    ShowEngineError("This graph cannot preview!");
  if (FAILED(S().builder->FindVideoWindow(
          S().previewFromCapturePin ? PinCategory::Capture : PinCategory::Preview, S().videoCapture,
          &S().videoWindow)))
    ShowEngineError("This graph cannot preview properly");
  else
    PlaceVideoWindow(owner);
  ApplyFrameRate(FrameRateForm::kPreview);
  // The preview hears of a camera that goes away, as the capture graph
  // hears of its failures.
  Ref<IMediaEventEx> events;
  if (SUCCEEDED(QueryInterface(S().graph, &events)))
    events->SetNotifyWindow(owner, WM_CAPTURE_GRAPH_EVENT, 0);
  S().previewGraphBuilt = true;
  return TRUE;
}

BOOL RunPreview() {
  if (S().previewing) return TRUE;
  if (!S().previewGraphBuilt) return FALSE;
  Ref<IMediaControl> control;
  HRESULT hr = QueryInterface(S().graph, &control);
  if (SUCCEEDED(hr)) {
    hr = control->Run();
    if (FAILED(hr)) control->Stop();
  }
  control.reset();
  if (SUCCEEDED(hr)) {
    S().previewing = true;
    return TRUE;
  }
  PointToCameraDoctor("the camera did not start (busy, or no permission?)");
  ShowEngineError("Error %x: Cannot run preview graph", static_cast<unsigned>(hr));
  return FALSE;
}

BOOL HaltPreview() {
  if (!S().previewing) return FALSE;
  Ref<IMediaControl> control;
  HRESULT hr = QueryInterface(S().graph, &control);
  if (SUCCEEDED(hr)) hr = control->Stop();
  if (SUCCEEDED(hr)) {
    S().previewing = false;
    return TRUE;
  }
  ShowEngineError("Error %x: Cannot stop preview graph", static_cast<unsigned>(hr));
  return FALSE;
}

void RemoveDownstream(const Ref<IBaseFilter>& filter) {
  Ref<IEnumPins> pins;
  if (!filter || FAILED(filter->EnumPins(&pins))) return;
  pins->Reset();
  Ref<IPin> pin;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    Ref<IPin> connected;
    if (pin->ConnectedTo(&connected) != S_OK || !connected) continue;
    PIN_INFO info;
    if (FAILED(connected->QueryPinInfo(&info))) return;
    if (info.dir == PinDirection::Input) {
      RemoveDownstream(info.pFilter);
      S().graph->Disconnect(connected);
      S().graph->Disconnect(pin);
      S().graph->RemoveFilter(info.pFilter);
    }
  }
}

void DismantleGraph() {
  // A multiplexer the camera never reached (its branch failed) is not
  // downstream of any device; left in the graph, its writer would open the
  // file at the next run and wait for a stream that cannot come.
  if (S().muxFilter && S().graph) {
    RemoveDownstream(S().muxFilter);
    S().graph->RemoveFilter(S().muxFilter);
  }
  S().fileSink.reset();
  S().aviMuxConfig.reset();
  S().muxFilter.reset();
  if (S().videoWindow) {
    S().videoWindow->put_Owner(nullptr);
    S().videoWindow->put_Visible(OAFALSE);
    S().videoWindow.reset();
  }
  S().graphEvents.reset();
  if (S().videoCapture) RemoveDownstream(S().videoCapture);
  if (S().audioCapture) RemoveDownstream(S().audioCapture);
  S().captureGraphBuilt = false;
  S().previewGraphBuilt = false;
  S().previewFromCapturePin = false;
}

void FitFrameWindow(HWND window, int width, int height) {
  if (!window) return;
  // The client area takes the size (and one border line of height); what
  // the window has around it (a frame, a sizing border), measured now, stays.
  // window may be the client area inside its top-level window.
  QWidget* top = window->window();
  const QSize around = top->frameGeometry().size() - window->size();
  const QSize managerFrame = top->frameGeometry().size() - top->size();
  constexpr int kBorderHeight = 1;  // SM_CYBORDER
  top->resize(QSize(width, height + kBorderHeight) + around - managerFrame);
}
