#include "platform/dshow/capturegraphbuilder.h"

#include "platform/dshow/avimuxfilter.h"
#include "platform/dshow/capturefilter.h"
#include "platform/dshow/faults.h"
#include "platform/dshow/videorenderer.h"
#include "platform/system/winpath.h"

namespace dshow {

namespace {

const char* CategoryName(PinCategory category) {
  return category == PinCategory::Capture ? "Capture" : "Preview";
}

// Pins of a capture filter that carry a category's stream: a capture pin
// that feeds a preview counts as preview.
std::vector<Ref<Pin>> StreamPins(const CaptureFilter& filter, PinCategory category) {
  std::vector<Ref<Pin>> pins;
  for (const Ref<Pin>& pin : filter.pins()) {
    if (pin->direction() != PinDirection::Output) continue;
    const PinCategory effective = pin->usedAsPreview ? PinCategory::Preview : pin->category();
    if (effective == category) pins.push_back(pin);
  }
  return pins;
}

// The first filter downstream of pin (depth first) that has interface T.
template <class T>
Ref<T> FindDownstream(const Ref<Pin>& pin, int depth = 0) {
  if (!pin || depth > 16) return nullptr;
  Ref<Pin> peer = pin->peer();
  if (!peer) return nullptr;
  Ref<FilterBase> filter = peer->owner();
  if (!filter) return nullptr;
  if (auto found = std::dynamic_pointer_cast<T>(filter)) return found;
  for (const Ref<Pin>& next : filter->pins())
    if (next->direction() == PinDirection::Output)
      if (auto found = FindDownstream<T>(next, depth + 1)) return found;
  return nullptr;
}

}  // namespace

HRESULT CaptureGraphBuilder::SetFiltergraph(const Ref<IGraphBuilder>& graph) {
  if (HRESULT hr = faults::Check("ICaptureGraphBuilder::SetFiltergraph"); FAILED(hr)) return hr;
  auto concrete = std::dynamic_pointer_cast<FilterGraph>(graph);
  if (!concrete) return E_POINTER;
  m_graph = concrete;
  return S_OK;
}

HRESULT CaptureGraphBuilder::FindStreamConfig(PinCategory category, const Ref<IBaseFilter>& filter,
                                              Ref<IAMStreamConfig>* config) {
  if (!config) return E_POINTER;
  config->reset();
  if (HRESULT hr =
          faults::Check(std::string("ICaptureGraphBuilder::FindInterface(IAMStreamConfig,") +
                        CategoryName(category) + ")");
      FAILED(hr))
    return hr;
  auto capture = std::dynamic_pointer_cast<CaptureFilter>(filter);
  if (!capture || !capture->device().hasStreamConfig || !capture->FirstPin(category))
    return E_NOINTERFACE;
  *config = std::make_shared<StreamConfig>(capture);
  return S_OK;
}

HRESULT CaptureGraphBuilder::FindVideoWindow(PinCategory category, const Ref<IBaseFilter>& filter,
                                             Ref<IVideoWindow>* window) {
  if (!window) return E_POINTER;
  window->reset();
  if (HRESULT hr = faults::Check(std::string("ICaptureGraphBuilder::FindInterface(IVideoWindow,") +
                                 CategoryName(category) + ")");
      FAILED(hr))
    return hr;
  auto capture = std::dynamic_pointer_cast<CaptureFilter>(filter);
  if (!capture) return E_NOINTERFACE;
  for (const Ref<Pin>& pin : capture->pins()) {
    if (pin->direction() != PinDirection::Output || pin->category() != category) continue;
    if (auto renderer = FindDownstream<VideoRenderer>(pin)) {
      *window = renderer;
      return S_OK;
    }
  }
  return E_NOINTERFACE;
}

HRESULT CaptureGraphBuilder::RenderStream(PinCategory category, const Ref<IBaseFilter>& source,
                                          const Ref<IBaseFilter>& compressor,
                                          const Ref<IBaseFilter>& sink) {
  if (HRESULT hr = faults::Check(std::string("ICaptureGraphBuilder::RenderStream(") +
                                 CategoryName(category) + ")");
      FAILED(hr))
    return hr;
  if (!m_graph) return E_UNEXPECTED;
  auto capture = std::dynamic_pointer_cast<CaptureFilter>(source);
  if (!capture || !m_graph->Contains(capture.get())) return E_INVALIDARG;
  // A compressor sits between the pin and the sink: a filter of this graph
  // with a free input and an output.
  Ref<FilterBase> between = std::dynamic_pointer_cast<FilterBase>(compressor);
  Ref<Pin> betweenIn, betweenOut;
  if (compressor) {
    if (!between || !m_graph->Contains(between.get()) || !capture->isVideo()) return E_INVALIDARG;
    for (const Ref<Pin>& pin : between->pins()) {
      if (pin->direction() == PinDirection::Input && !pin->peer()) betweenIn = pin;
      if (pin->direction() == PinDirection::Output && !pin->peer()) betweenOut = pin;
    }
    if (!betweenIn || !betweenOut) return VFW_E_CANNOT_CONNECT;
  }

  HRESULT success = S_OK;
  Ref<Pin> output = capture->FreePin(category);
  if (!output && category == PinCategory::Preview && capture->isVideo() &&
      !capture->FirstPin(PinCategory::Preview)) {
    // No preview pin: the capture stream is split and one branch previews.
    output = capture->FreePin(PinCategory::Capture);
    if (!output) output = capture->AddBranchPin();
    success = VFW_S_NOPREVIEWPIN;
  } else if (!output && capture->FirstPin(category) && capture->isVideo()) {
    output = capture->AddBranchPin();
  }
  if (!output) return VFW_E_NOT_FOUND;

  Ref<FilterBase> downstream = std::dynamic_pointer_cast<FilterBase>(sink);
  Ref<Pin> input;
  if (!downstream) {
    if (!capture->isVideo()) return VFW_E_CANNOT_RENDER;
    auto renderer = VideoRenderer::Create();
    if (HRESULT hr = m_graph->AddFilter(renderer, "Video Renderer"); FAILED(hr)) return hr;
    downstream = renderer;
    input = renderer->pins().front();
  } else if (auto mux = std::dynamic_pointer_cast<AviMuxFilter>(downstream)) {
    input = mux->FreeInput();
  } else {
    for (const Ref<Pin>& pin : downstream->pins())
      if (pin->direction() == PinDirection::Input && !pin->peer()) input = pin;
  }
  if (!input) return VFW_E_CANNOT_CONNECT;
  HRESULT hr = S_OK;
  if (between) {
    hr = m_graph->Connect(output, betweenIn);
    if (SUCCEEDED(hr)) {
      hr = m_graph->Connect(betweenOut, input);
      if (FAILED(hr)) {
        m_graph->Disconnect(output);
        m_graph->Disconnect(betweenIn);
      }
    }
  } else {
    hr = m_graph->Connect(output, input);
  }
  if (FAILED(hr)) {
    if (!sink) m_graph->RemoveFilter(downstream);
    return hr;
  }
  if (success == VFW_S_NOPREVIEWPIN) output->usedAsPreview = true;
  return success;
}

HRESULT CaptureGraphBuilder::SetOutputFileName(SubType type, const std::string& path,
                                               Ref<IBaseFilter>* mux, Ref<IFileSinkFilter>* sink) {
  if (mux) mux->reset();
  if (sink) sink->reset();
  if (HRESULT hr = faults::Check("ICaptureGraphBuilder::SetOutputFileName"); FAILED(hr)) return hr;
  if (!m_graph) return E_UNEXPECTED;
  if (type != SubType::Avi || !mux) return E_INVALIDARG;
  LONG error = 0;
  std::optional<std::string> host = orvane::winpath::ToHost(path, &error);
  if (!host) return static_cast<HRESULT>(0x80070000u | static_cast<unsigned>(error));
  auto muxFilter = AviMuxFilter::Create();
  auto writer = FileWriterFilter::Create(path, *host);
  if (HRESULT hr = m_graph->AddFilter(muxFilter, "AVI Mux"); FAILED(hr)) return hr;
  if (HRESULT hr = m_graph->AddFilter(writer, "File Writer"); FAILED(hr)) {
    m_graph->RemoveFilter(muxFilter);
    return hr;
  }
  if (HRESULT hr = m_graph->Connect(muxFilter->Output(), writer->pins().front()); FAILED(hr)) {
    m_graph->RemoveFilter(writer);
    m_graph->RemoveFilter(muxFilter);
    return hr;
  }
  *mux = muxFilter;
  if (sink) *sink = writer;
  return S_OK;
}

HRESULT CaptureGraphBuilder::ControlStream(PinCategory category, const Ref<IBaseFilter>& filter,
                                           const REFERENCE_TIME* start, const REFERENCE_TIME* stop,
                                           WORD, WORD) {
  if (HRESULT hr = faults::Check(std::string("ICaptureGraphBuilder::ControlStream(") +
                                 CategoryName(category) + ")");
      FAILED(hr))
    return hr;
  if (!m_graph) return E_UNEXPECTED;
  // Only "now" and "never" are asked for; timed starts and stops are not built.
  const bool startNever = start && *start == kNeverTime;
  if ((start && *start != kNeverTime && *start != 0) || (stop && *stop != kNeverTime))
    return E_NOTIMPL;
  std::vector<Ref<CaptureFilter>> filters;
  if (filter) {
    auto capture = std::dynamic_pointer_cast<CaptureFilter>(filter);
    if (!capture) return E_INVALIDARG;
    filters.push_back(capture);
  } else {
    for (const Ref<FilterBase>& f : m_graph->filters())
      if (auto capture = std::dynamic_pointer_cast<CaptureFilter>(f)) filters.push_back(capture);
  }
  bool any = false;
  const GstClockTime now = m_graph->state() == FilterState::Running ? m_graph->RunningTime() : 0;
  for (const Ref<CaptureFilter>& capture : filters) {
    if (!capture->device().hasStreamControl) continue;
    for (const Ref<Pin>& pin : StreamPins(*capture, category)) {
      CaptureFilter::HoldBack(*pin, startNever, now);
      any = true;
    }
  }
  return any ? S_OK : E_NOTIMPL;
}

}  // namespace dshow
