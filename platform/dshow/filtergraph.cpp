#include "platform/dshow/filtergraph.h"

#include <QLoggingCategory>
#include <QWidget>
#include <chrono>
#include <cstring>

#include "platform/dshow/avimuxfilter.h"
#include "platform/dshow/avirepair.h"
#include "platform/dshow/faults.h"
#include "platform/dshow/gsterrors.h"
#include "platform/ui/windowmessage.h"

Q_LOGGING_CATEGORY(lcGraph, "orvane.dshow.graph", QtWarningMsg)

namespace dshow {

namespace {
// The end of stream reaches the writers within milliseconds, plus the time
// the multiplexer takes to write its index: a few seconds bound both.
constexpr int kFinaliseTimeoutMs = 5000;
// Run waits this long for the cameras and microphones to begin, so that one
// that cannot (busy, gone, no format it takes) fails the run with its
// reason. A camera slower than that still counts as started.
constexpr int kSourceStartTimeoutMs = 3000;

bool IsFileSink(GstObject* object) {
  if (!GST_IS_ELEMENT(object)) return false;
  GstElementFactory* factory = gst_element_get_factory(GST_ELEMENT(object));
  return factory && std::strcmp(GST_OBJECT_NAME(factory), "fdsink") == 0;
}
}  // namespace

FilterGraph::FilterGraph() {
  gst::EnsureInitialised();
  m_pipeline = gst::Element(gst_pipeline_new(nullptr));
  // The system's monotonic clock, the time the kernel and PipeWire stamp
  // camera frames with; a source's own clock may jump (pipewiredevices.h).
  GstClock* clock = gst_system_clock_obtain();
  gst_pipeline_use_clock(GST_PIPELINE(m_pipeline.get()), clock);
  gst_object_unref(clock);
  GstBus* bus = gst_element_get_bus(m_pipeline.get());
  gst_bus_set_sync_handler(bus, &FilterGraph::OnBusMessage, this, nullptr);
  gst_object_unref(bus);
}

FilterGraph::~FilterGraph() {
  gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
  for (const Ref<FilterBase>& filter : m_filters) filter->SetStreamListener(nullptr);
  GstBus* bus = gst_element_get_bus(m_pipeline.get());
  gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
  gst_object_unref(bus);
  for (const Ref<FilterBase>& filter : m_filters) filter->setGraph(nullptr);
}

bool FilterGraph::Contains(const FilterBase* filter) const {
  for (const Ref<FilterBase>& f : m_filters)
    if (f.get() == filter) return true;
  return false;
}

HRESULT FilterGraph::AddFilter(const Ref<IBaseFilter>& filter, const std::string&) {
  if (HRESULT hr = faults::Check("IGraphBuilder::AddFilter"); FAILED(hr)) return hr;
  auto base = std::dynamic_pointer_cast<FilterBase>(filter);
  if (!base) return E_POINTER;
  if (m_state != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  if (Contains(base.get())) return S_OK;
  if (base->graph()) return E_INVALIDARG;  // in another graph
  if (!gst_bin_add(GST_BIN(m_pipeline.get()), base->bin())) return E_FAIL;
  base->setGraph(this);
  m_filters.push_back(base);
  base->SetStreamListener([this] {
    std::lock_guard guard(m_eventLock);
    m_streamChanged.notify_all();
  });
  return S_OK;
}

HRESULT FilterGraph::RemoveFilter(const Ref<IBaseFilter>& filter) {
  if (HRESULT hr = faults::Check("IGraphBuilder::RemoveFilter"); FAILED(hr)) return hr;
  auto base = std::dynamic_pointer_cast<FilterBase>(filter);
  if (!base || !Contains(base.get())) return VFW_E_NOT_IN_GRAPH;
  // Its pins could not be taken apart while running: it would go with
  // peers still pointing at it.
  if (m_state != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  for (const Ref<Pin>& pin : base->pins()) Disconnect(pin);
  base->SetStreamListener(nullptr);
  gst_element_set_locked_state(base->bin(), FALSE);
  gst_element_set_state(base->bin(), GST_STATE_NULL);
  gst_bin_remove(GST_BIN(m_pipeline.get()), base->bin());
  base->setGraph(nullptr);
  std::erase(m_filters, base);
  return S_OK;
}

HRESULT FilterGraph::Disconnect(const Ref<IPin>& ipin) {
  if (HRESULT hr = faults::Check("IGraphBuilder::Disconnect"); FAILED(hr)) return hr;
  auto pin = std::dynamic_pointer_cast<Pin>(ipin);
  if (!pin) return E_POINTER;
  Ref<Pin> peer = pin->peer();
  if (!peer) return S_FALSE;
  if (m_state != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  Ref<Pin> output = pin->direction() == PinDirection::Output ? pin : peer;
  Ref<Pin> input = output == pin ? peer : pin;
  gst_pad_unlink(output->pad(), input->pad());
  output->setPeer(nullptr);
  input->setPeer(nullptr);
  output->usedAsPreview = false;
  if (Ref<FilterBase> owner = input->owner()) owner->InputDisconnected(*input);
  return S_OK;
}

HRESULT FilterGraph::Connect(const Ref<Pin>& output, const Ref<Pin>& input) {
  if (!output || !input) return E_POINTER;
  if (output->direction() != PinDirection::Output || input->direction() != PinDirection::Input)
    return VFW_E_CANNOT_CONNECT;
  if (output->peer() || input->peer()) return VFW_E_ALREADY_CONNECTED;
  Ref<FilterBase> downstream = input->owner();
  if (!downstream || !Contains(downstream.get()) || !Contains(output->owner().get()))
    return VFW_E_NOT_IN_GRAPH;
  if (HRESULT hr = downstream->PrepareInput(*input, *output); FAILED(hr)) return hr;
  GstPadLinkReturn linked = faults::Check("GstPad::Link") == S_OK
                                ? gst_pad_link(output->pad(), input->pad())
                                : GST_PAD_LINK_REFUSED;
  if (linked != GST_PAD_LINK_OK) {
    qCWarning(lcGraph) << "pad link failed:" << gst_pad_link_get_name(linked);
    // What the downstream filter prepared for this input goes again.
    downstream->InputDisconnected(*input);
    return VFW_E_CANNOT_CONNECT;
  }
  output->setPeer(input);
  input->setPeer(output);
  return S_OK;
}

void FilterGraph::PrepareFilterStates() {
  // A filter with nothing connected sits out, as on Windows: a source whose
  // output leads nowhere would otherwise stop the whole pipeline.
  for (const Ref<FilterBase>& filter : m_filters) {
    const bool idle = !filter->AnyPinConnected();
    gst_element_set_locked_state(filter->bin(), idle);
    if (idle) gst_element_set_state(filter->bin(), GST_STATE_NULL);
  }
}

HRESULT FilterGraph::Run() {
  if (HRESULT hr = faults::Check("IMediaControl::Run"); FAILED(hr)) return hr;
  if (m_state == FilterState::Running) return S_OK;
  HRESULT hr = m_state == FilterState::Stopped ? BeginRun() : S_OK;
  if (FAILED(hr)) {
    EndFailedRun();
    return hr;
  }
  if (gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    std::lock_guard guard(m_eventLock);
    hr = FAILED(m_firstError) ? m_firstError : E_FAIL;
  } else {
    hr = WaitForSources(kSourceStartTimeoutMs);
  }
  if (FAILED(hr)) {
    EndFailedRun();
    return hr;
  }
  m_state = FilterState::Running;
  return S_OK;
}

// The run failed and says why through its result, not as an event too.
void FilterGraph::EndFailedRun() {
  gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
  m_state = FilterState::Stopped;
  for (FileWriterFilter* writer : ConnectedWriters()) writer->Stopped();
  std::lock_guard guard(m_eventLock);
  m_events.clear();
}

HRESULT FilterGraph::WaitForSources(int timeoutMs) {
  std::vector<FilterBase*> sources;
  for (const Ref<FilterBase>& filter : m_filters)
    if (filter->AnyPinConnected()) sources.push_back(filter.get());
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::unique_lock lock(m_eventLock);
  for (FilterBase* source : sources)
    if (HRESULT gone = source->StreamStartFailure(); FAILED(gone)) return gone;
  m_streamChanged.wait_until(lock, deadline, [&] {
    if (FAILED(m_firstError)) return true;
    for (FilterBase* source : sources)
      if (!source->StreamStarted()) return false;
    return true;
  });
  if (FAILED(m_firstError)) return m_firstError;
  for (FilterBase* source : sources)
    if (!source->StreamStarted()) qCWarning(lcGraph) << "a source is slow to start:" << source->Name().c_str();
  return S_OK;
}

HRESULT FilterGraph::Pause() {
  if (HRESULT hr = faults::Check("IMediaControl::Pause"); FAILED(hr)) return hr;
  if (m_state == FilterState::Paused) return S_OK;
  if (m_state == FilterState::Stopped) {
    if (HRESULT hr = BeginRun(); FAILED(hr)) {
      EndFailedRun();
      return hr;
    }
  }
  if (gst_element_set_state(m_pipeline.get(), GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
    EndFailedRun();
    return E_FAIL;
  }
  m_state = FilterState::Paused;
  return S_OK;
}

// Leaving Stopped, by Run or by Pause: a new run hears only of itself. Fails
// when a file to record to cannot be opened.
HRESULT FilterGraph::BeginRun() {
  for (const Ref<FilterBase>& filter : m_filters) filter->PrepareRun();
  PrepareFilterStates();
  {
    std::lock_guard guard(m_eventLock);
    m_abortQueued = false;
    m_writeFailed = false;
    m_firstError = S_OK;
    m_events.clear();
  }
  for (const Ref<FilterBase>& filter : m_filters)
    if (auto* writer = dynamic_cast<FileWriterFilter*>(filter.get())) writer->Rearm();
  for (FileWriterFilter* writer : ConnectedWriters())
    if (FAILED(writer->OpenFailure())) return writer->OpenFailure();
  return S_OK;
}

std::vector<FileWriterFilter*> FilterGraph::ConnectedWriters() const {
  std::vector<FileWriterFilter*> writers;
  for (const Ref<FilterBase>& filter : m_filters)
    if (auto* writer = dynamic_cast<FileWriterFilter*>(filter.get());
        writer && writer->AnyPinConnected())
      writers.push_back(writer);
  return writers;
}

bool FilterGraph::WaitForWriters(const std::vector<FileWriterFilter*>& writers, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  auto allFinished = [&] {
    for (FileWriterFilter* writer : writers)
      if (!writer->reachedEndOfStream()) return false;
    return true;
  };
  std::unique_lock lock(m_eventLock);
  m_streamChanged.wait_until(lock, deadline, [&] { return m_writeFailed || allFinished(); });
  return !m_writeFailed && allFinished();
}

HRESULT FilterGraph::Stop() {
  if (HRESULT hr = faults::Check("IMediaControl::Stop"); FAILED(hr)) return hr;
  if (m_state == FilterState::Stopped) return S_OK;
  // A file is complete only once the end of stream has passed the
  // multiplexer (it then writes its index and sizes) and reached the
  // writer: send it from the sources and wait for it before tearing down.
  // A paused graph runs for that, or its live sources would hold it back.
  const std::vector<FileWriterFilter*> writers = ConnectedWriters();
  bool anyData = false;
  for (FileWriterFilter* writer : writers) anyData = anyData || writer->wroteData();
  bool writeFailed;
  {
    std::lock_guard guard(m_eventLock);
    writeFailed = m_writeFailed;
  }
  // After a failed write the stream cannot reach the file any more. A
  // running graph always ends its streams (data may reach a writer at any
  // moment); a paused one only when it has written, as nothing moves in it.
  const bool paused = m_state == FilterState::Paused;
  if (!writers.empty() && !writeFailed && (!paused || anyData)) {
    if (paused) gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING);
    gst_element_send_event(m_pipeline.get(), gst_event_new_eos());
    for (const Ref<FilterBase>& filter : m_filters) filter->EndStalledStream();
    if (!WaitForWriters(writers, kFinaliseTimeoutMs))
      qCWarning(lcGraph) << "the recording could not be finished cleanly";
  }
  gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
  m_state = FilterState::Stopped;
  for (const Ref<FilterBase>& filter : m_filters) filter->Stopped();
  {
    std::lock_guard guard(m_eventLock);
    writeFailed = m_writeFailed;
  }
  // A file cut off is closed now; make what it holds playable, with headers
  // that tell the truth. Only files this graph wrote and still finds there;
  // one whose first data came while Stop began counts too.
  bool finalised = true;
  for (FileWriterFilter* writer : writers) {
    if (!writer->wroteData() || (writer->reachedEndOfStream() && !writeFailed)) continue;
    finalised = false;
    if (!writer->StillOwnsFile()) continue;
    const AviRepairResult repair = RepairAvi(writer->hostPath());
    if (!repair.ok())
      qCWarning(lcGraph) << "repair of" << writer->hostPath().c_str()
                         << "failed:" << repair.detail.c_str();
  }
  return finalised ? S_OK : S_FALSE;
}

HRESULT FilterGraph::GetState(long, FilterState* state) {
  if (!state) return E_POINTER;
  *state = m_state;
  return S_OK;
}

GstClockTime FilterGraph::RunningTime() const {
  GstClock* clock = gst_element_get_clock(m_pipeline.get());
  if (!clock) return 0;
  GstClockTime now = gst_clock_get_time(clock);
  gst_object_unref(clock);
  GstClockTime base = gst_element_get_base_time(m_pipeline.get());
  return now > base ? now - base : 0;
}

GstBusSyncReply FilterGraph::OnBusMessage(GstBus*, GstMessage* message, gpointer data) {
  auto* self = static_cast<FilterGraph*>(data);
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
    GError* error = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(message, &error, &debug);
    qCWarning(lcGraph) << "error from" << GST_OBJECT_NAME(GST_MESSAGE_SRC(message)) << ":"
                       << (error ? error->message : "") << (debug ? debug : "");
    // The operating system's ENOSPC is a full disk; any other failure of the
    // file (EFBIG past a size limit, EIO) a write fault; a device's own
    // failures say what they were (busy, gone).
    const bool writer = IsFileSink(GST_MESSAGE_SRC(message));
    const HRESULT code = HResultFromError(error, debug, writer);
    if (error) g_error_free(error);
    g_free(debug);
    // Only the first error of a run counts; the rest follow from it.
    bool first;
    {
      std::lock_guard guard(self->m_eventLock);
      first = !self->m_abortQueued;
      self->m_abortQueued = true;
      self->m_writeFailed = self->m_writeFailed || writer;
      if (first) self->m_firstError = code;
    }
    self->m_streamChanged.notify_all();
    if (first) self->QueueEvent(EC_ERRORABORT, code, 0);
  }
  // Dropping a message is the handler's job: it holds a reference to its
  // source, and a message left behind keeps the whole graph alive.
  gst_message_unref(message);
  return GST_BUS_DROP;
}

void FilterGraph::QueueEvent(long code, INT_PTR param1, INT_PTR param2) {
  {
    std::lock_guard guard(m_eventLock);
    m_events.push_back(Event{code, param1, param2});
  }
  QMetaObject::invokeMethod(
      &m_notifier, [this] { NotifyOnGuiThread(); }, Qt::QueuedConnection);
}

void FilterGraph::NotifyOnGuiThread() {
  if (m_notifyWindow) PostMessage(m_notifyWindow.data(), m_notifyMessage, 0, m_notifyInstance);
}

HRESULT FilterGraph::SetNotifyWindow(HWND window, UINT message, INT_PTR instance) {
  if (HRESULT hr = faults::Check("IMediaEventEx::SetNotifyWindow"); FAILED(hr)) return hr;
  m_notifyWindow = window;
  m_notifyMessage = message;
  m_notifyInstance = instance;
  return S_OK;
}

HRESULT FilterGraph::GetEvent(long* code, INT_PTR* param1, INT_PTR* param2, long) {
  if (!code || !param1 || !param2) return E_POINTER;
  std::lock_guard guard(m_eventLock);
  if (m_events.empty()) return E_ABORT;
  const Event event = m_events.front();
  m_events.pop_front();
  *code = event.code;
  *param1 = event.param1;
  *param2 = event.param2;
  return S_OK;
}

HRESULT FilterGraph::FreeEventParams(long, INT_PTR, INT_PTR) { return S_OK; }

IBasicVideo* FilterGraph::Renderer() const {
  for (const Ref<FilterBase>& filter : m_filters)
    if (auto* video = dynamic_cast<IBasicVideo*>(filter.get()); video && filter->AnyPinConnected())
      return video;
  return nullptr;
}

HRESULT FilterGraph::GetVideoSize(long* width, long* height) {
  IBasicVideo* renderer = Renderer();
  return renderer ? renderer->GetVideoSize(width, height) : E_UNEXPECTED;
}

HRESULT FilterGraph::GetCurrentImage(long* size, long* buffer) {
  IBasicVideo* renderer = Renderer();
  return renderer ? renderer->GetCurrentImage(size, buffer) : E_UNEXPECTED;
}

}  // namespace dshow
