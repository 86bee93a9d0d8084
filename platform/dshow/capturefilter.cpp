#include "platform/dshow/capturefilter.h"

#include <gst/video/colorbalance.h>

#include <algorithm>
#include <cctype>

#include "platform/dshow/faults.h"
#include "platform/dshow/filtergraph.h"
#include "platform/dshow/gsterrors.h"
#include "platform/dshow/pipewiredevices.h"
#include "platform/dshow/v4l2properties.h"
#include "platform/dshow/virtualdevices.h"

namespace dshow::testapi {
// Every frame the source makes fails as an unplugged device's read would.
void FailSource(GstElement* source);
}  // namespace dshow::testapi

namespace dshow {

CaptureFilter::CaptureFilter(const DeviceDescription& device)
    : FilterBase(device.friendlyName), m_device(device) {}

Ref<CaptureFilter> CaptureFilter::Create(const DeviceDescription& device) {
  Ref<CaptureFilter> filter(new CaptureFilter(device));
  return filter->Build() ? filter : nullptr;
}

CaptureFilter::~CaptureFilter() {
  if (m_removalWatch) UnwatchDeviceRemoval(m_removalWatch);
}

bool CaptureFilter::Build() {
  GstElement* bin = m_bin.get();
  if (m_device.hostDevice) {
    // A device unplugged (a PipeWire node gone) while the graph runs: its
    // source may only stop, so the filter says so itself.
    m_removalWatch = WatchDeviceRemoval([this](GstDevice* device) {
      if (device != m_device.hostDevice.get() || m_gone.exchange(true)) return;
      if (GST_STATE(m_bin.get()) >= GST_STATE_PAUSED)
        GST_ELEMENT_ERROR(m_bin.get(), RESOURCE, NOT_FOUND, ("The device went away."),
                          ("%s was unplugged", m_device.friendlyName.c_str()));
    });
  }
  m_caps = AddToBin(bin, "capsfilter");
  GstPad* capsSrc = gst_element_get_static_pad(m_caps, "src");
  gst_pad_add_probe(capsSrc, GST_PAD_PROBE_TYPE_BUFFER, &CaptureFilter::OnFirstBuffer, this,
                    nullptr);
  gst_object_unref(capsSrc);
  if (isVideo()) {
    m_offered = OfferedVideoFormats(m_device);
    // The usual format where the camera offers it, else its first at its
    // fastest rate. A camera that offers nothing the layer knows cannot be
    // used.
    if (m_offered.empty()) return false;
    if (!Offers(m_offered, m_video)) {
      const VideoFormatRange& r = m_offered.front();
      const Fraction fastest = r.rates.empty() ? r.maxRate : r.rates.front();
      m_video = VideoFormat{r.subtype, r.width, r.height,
                            static_cast<REFERENCE_TIME>(10000000.0 / fastest.value())};
    }
  }
  if (!BuildSourceChain()) return false;
  if (isVideo()) {
    m_tee = AddToBin(bin, "tee");
    g_object_set(m_tee, "allow-not-linked", TRUE, nullptr);
    gst_element_link(m_caps, m_tee);
    AddTeePin("Capture", PinCategory::Capture);
    if (m_device.hasPreviewPin) AddTeePin("Preview", PinCategory::Preview);
  } else {
    AddValvePin(m_caps, "Capture", PinCategory::Capture);
  }
  return true;
}

Fraction CaptureFilter::cameraRate() const {
  const Fraction wanted = StandardRate(m_video.avgTimePerFrame);
  const VideoFormatRange* offered = FindOffered(m_offered, m_video);
  return offered ? offered->NearestRate(wanted.value()) : wanted;
}

GstPadProbeReturn CaptureFilter::OnFirstBuffer(GstPad*, GstPadProbeInfo*, gpointer data) {
  auto* self = static_cast<CaptureFilter*>(data);
  if (!self->m_started.exchange(true)) self->NotifyStreamListener();
  return GST_PAD_PROBE_OK;
}

HRESULT CaptureFilter::StreamStartFailure() const {
  return m_gone.load() ? kDeviceNotConnected : S_OK;
}

void CaptureFilter::EndStalledStream() {
  if (!m_gone.load()) return;
  GstPad* pad = gst_element_get_static_pad(m_caps, "src");
  gst_pad_push_event(pad, gst_event_new_eos());
  gst_object_unref(pad);
}

void CaptureFilter::PrepareRun() {
  m_started = false;
  // A PipeWire source's clock carries over from run to run (its time then
  // jumps by the uptime): each run gets a new element.
  if (m_device.family == DeviceDescription::Family::PipeWire) BuildSourceChain();
}

// A stopped source keeps nothing of its run, as a closed device: elements
// hold on to what they made last (the clock overlay its text, with the
// frame it was drawn for) until they are destroyed.
void CaptureFilter::Stopped() { BuildSourceChain(); }

bool CaptureFilter::AddHostSource() {
  GstElement* bin = m_bin.get();
  GstElement* src =
      m_device.hostDevice ? gst_device_create_element(m_device.hostDevice.get(), nullptr) : nullptr;
  if (!src) return false;
  if (m_device.family == DeviceDescription::Family::PipeWire)
    pipewire::ConfigureSource(src, isVideo());
  gst_bin_add(GST_BIN(bin), src);
  m_chain.push_back(src);
  GstElement* last = src;
  bool ok = true;
  auto add = [&](const char* factory) {
    GstElement* e = AddToBin(bin, factory);
    if (e) m_chain.push_back(e);
    ok = ok && e && gst_element_link(last, e);
    last = e;
  };
  if (!isVideo()) {
    // Microphones deliver what they like; convert to the chosen format.
    add("audioconvert");
    add("audioresample");
  }
  return ok && gst_element_link(last, m_caps);
}

bool CaptureFilter::BuildSourceChain() {
  GstElement* bin = m_bin.get();
  for (GstElement* e : m_chain) {
    gst_element_set_state(e, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(bin), e);
  }
  m_chain.clear();
  m_testSource = nullptr;
  m_clockOverlay = nullptr;
  // The end caps first: linking checks the chain against them.
  gst::Caps endCaps = isVideo() ? CameraCaps(m_video, cameraRate()) : ToCaps(m_audio);
  g_object_set(m_caps, "caps", endCaps.get(), nullptr);
  bool ok = true;
  switch (m_device.source) {
    case DeviceDescription::Source::VirtualCamera: {
      virtualdevices::CameraChain chain = virtualdevices::BuildCamera(
          GST_BIN(bin), m_device.virtualKind, m_video, cameraRate(), m_pattern, m_clock);
      m_chain = chain.elements;
      m_testSource = chain.pattern;
      m_clockOverlay = chain.clock;
      ok = !m_chain.empty() && gst_element_link(m_chain.back(), m_caps);
      break;
    }
    case DeviceDescription::Source::VirtualMicrophone: {
      GstElement* src = virtualdevices::BuildMicrophone(GST_BIN(bin));
      if (src) m_chain.push_back(src);
      ok = src && gst_element_link(src, m_caps);
      break;
    }
    case DeviceDescription::Source::HostCamera:
    case DeviceDescription::Source::HostMicrophone: ok = AddHostSource(); break;
  }
  if (m_failing && !m_chain.empty()) testapi::FailSource(m_chain.front());
  if (ok) KeepControls();
  if (GstElement* parent = GST_ELEMENT_PARENT(bin); parent && GST_STATE(bin) != GST_STATE_NULL)
    for (GstElement* e : m_chain) gst_element_sync_state_with_parent(e);
  return ok;
}

Ref<Pin> CaptureFilter::AddValvePin(GstElement* upstream, const std::string& name,
                                    PinCategory category) {
  GstElement* valve = AddToBin(m_bin.get(), "valve");
  // End of stream is sticky and must pass a closed valve, or a held-back file
  // branch would never be finalised.
  gst_util_set_object_arg(G_OBJECT(valve), "drop-mode", "forward-sticky-events");
  if (upstream == m_tee) {
    GstPad* teePad = gst_element_request_pad_simple(m_tee, "src_%u");
    GstPad* valveSink = gst_element_get_static_pad(valve, "sink");
    gst_pad_link(teePad, valveSink);
    gst_object_unref(valveSink);
    gst_object_unref(teePad);
  } else {
    gst_element_link(upstream, valve);
  }
  GstPad* valveSrc = gst_element_get_static_pad(valve, "src");
  Ref<Pin> pin = AddPin(PinDirection::Output, name, category, valveSrc);
  gst_object_unref(valveSrc);
  pin->valve = valve;
  if (GST_STATE(m_bin.get()) != GST_STATE_NULL) gst_element_sync_state_with_parent(valve);
  return pin;
}

Ref<Pin> CaptureFilter::AddTeePin(const std::string& name, PinCategory category) {
  ++m_branches;
  return AddValvePin(m_tee, name, category);
}

Ref<Pin> CaptureFilter::AddBranchPin() {
  if (!m_tee) return nullptr;
  // Listed like any pin, so that walking the graph finds what it feeds.
  return AddTeePin("Capture " + std::to_string(m_branches), PinCategory::Capture);
}

Ref<Pin> CaptureFilter::FreePin(PinCategory category) const {
  for (const Ref<Pin>& pin : m_pins)
    if (pin->category() == category && !pin->peer()) return pin;
  return nullptr;
}

Ref<Pin> CaptureFilter::FirstPin(PinCategory category) const {
  for (const Ref<Pin>& pin : m_pins)
    if (pin->category() == category) return pin;
  return nullptr;
}

std::vector<AudioFormat> CaptureFilter::audioFormats() const { return VirtualMicrophoneFormats(); }

HRESULT CaptureFilter::SetVideoFormat(const VideoFormat& format) {
  if (!isVideo() || !Offers(m_offered, format)) return VFW_E_INVALIDMEDIATYPE;
  if (format == m_video) return S_OK;  // the engine sets the rate at every build
  if (m_graph && m_graph->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  m_video = format;
  return BuildSourceChain() ? S_OK : E_FAIL;
}

HRESULT CaptureFilter::SetAudioFormat(const AudioFormat& format) {
  const auto offered = audioFormats();
  if (isVideo() || std::find(offered.begin(), offered.end(), format) == offered.end())
    return VFW_E_INVALIDMEDIATYPE;
  if (m_graph && m_graph->state() != FilterState::Stopped) return VFW_E_NOT_STOPPED;
  m_audio = format;
  return BuildSourceChain() ? S_OK : E_FAIL;
}

namespace {

GstPadProbeReturn DropEarlyBuffers(GstPad*, GstPadProbeInfo* info, gpointer data) {
  const GstClockTime start = GPOINTER_TO_SIZE(data);
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (GST_BUFFER_PTS_IS_VALID(buffer) && GST_BUFFER_PTS(buffer) < start) return GST_PAD_PROBE_DROP;
  return GST_PAD_PROBE_REMOVE;
}

}  // namespace

void CaptureFilter::HoldBack(Pin& pin, bool held, GstClockTime runningTimeStart) {
  if (!pin.valve) return;
  if (!held && runningTimeStart != GST_CLOCK_TIME_NONE && runningTimeStart > 0) {
    GstPad* src = gst_element_get_static_pad(pin.valve, "src");
    gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, DropEarlyBuffers,
                      GSIZE_TO_POINTER(static_cast<gsize>(runningTimeStart)), nullptr);
    gst_object_unref(src);
  }
  g_object_set(pin.valve, "drop", held ? TRUE : FALSE, nullptr);
}

void CaptureFilter::setTestPattern(int pattern) {
  m_pattern = pattern;
  if (m_testSource) g_object_set(m_testSource, "pattern", pattern, nullptr);
}

void CaptureFilter::setShowsClock(bool shown) {
  m_clock = shown;
  if (m_clockOverlay) g_object_set(m_clockOverlay, "silent", shown ? FALSE : TRUE, nullptr);
}

GstColorBalance* CaptureFilter::colorBalance() const {
  for (GstElement* e : m_chain)
    if (GST_IS_COLOR_BALANCE(e)) return GST_COLOR_BALANCE(e);
  return nullptr;
}

namespace {

// A channel's label in lower case without spaces or punctuation: V4L2
// drivers say "White Balance Temperature", videobalance "BRIGHTNESS".
std::string PlainLabel(const char* label) {
  std::string plain;
  for (const char* c = label; c && *c; ++c)
    if (std::isalnum(static_cast<unsigned char>(*c)))
      plain += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  return plain;
}

bool LabelIsProperty(const std::string& plain, long property) {
  switch (property) {
    case VideoProcAmp_Brightness: return plain == "brightness";
    case VideoProcAmp_Contrast: return plain == "contrast";
    case VideoProcAmp_Hue: return plain == "hue";
    case VideoProcAmp_Saturation: return plain == "saturation";
    case VideoProcAmp_Sharpness: return plain == "sharpness";
    case VideoProcAmp_Gamma: return plain == "gamma";
    case VideoProcAmp_WhiteBalance:
      return plain == "whitebalancetemperature" || plain == "whitebalance";
    case VideoProcAmp_BacklightCompensation: return plain == "backlightcompensation";
    case VideoProcAmp_Gain: return plain == "gain";
    default: return false;
  }
}

}  // namespace

GstColorBalanceChannel* CaptureFilter::Channel(long property) const {
  GstColorBalance* balance = colorBalance();
  for (const GList* c = balance ? gst_color_balance_list_channels(balance) : nullptr; c;
       c = c->next) {
    auto* channel = GST_COLOR_BALANCE_CHANNEL(c->data);
    if (LabelIsProperty(PlainLabel(channel->label), property)) return channel;
  }
  return nullptr;
}

// After a source is built: the defaults of controls not seen before, then
// the values set on earlier sources.
void CaptureFilter::KeepControls() {
  GstColorBalance* balance = colorBalance();
  for (const GList* c = balance ? gst_color_balance_list_channels(balance) : nullptr; c;
       c = c->next) {
    auto* channel = GST_COLOR_BALANCE_CHANNEL(c->data);
    m_controlDefaults.emplace(channel->label, gst_color_balance_get_value(balance, channel));
    const auto kept = m_controls.find(channel->label);
    if (kept != m_controls.end()) gst_color_balance_set_value(balance, channel, kept->second);
  }
}

bool CaptureFilter::setControl(const std::string& label, int value) {
  GstColorBalance* balance = colorBalance();
  for (const GList* c = balance ? gst_color_balance_list_channels(balance) : nullptr; c;
       c = c->next) {
    auto* channel = GST_COLOR_BALANCE_CHANNEL(c->data);
    if (label != channel->label) continue;
    gst_color_balance_set_value(balance, channel, value);
    m_controls[label] = value;
    return true;
  }
  return false;
}

v4l2::NodeControls* CaptureFilter::nodeControls() {
  if (!m_nodeOpened && m_device.source == DeviceDescription::Source::HostCamera) {
    m_nodeOpened = true;
    m_nodeControls = v4l2::NodeControls::Open(m_device.devicePath);
  }
  return m_nodeControls.get();
}

HRESULT CaptureFilter::ControlRange(IAMVideoProcAmp*, long property, long* min, long* max,
                                    long* step, long* defaultValue, long* capsFlags) {
  if (v4l2::NodeControls* node = nodeControls())
    return v4l2::GetRange(*node, v4l2::PropertySet::kVideoProcAmp, property, min, max, step,
                          defaultValue, capsFlags);
  if (!min || !max || !step || !defaultValue || !capsFlags) return E_POINTER;
  GstColorBalanceChannel* channel = Channel(property);
  if (!channel) return E_PROP_ID_UNSUPPORTED;
  *min = channel->min_value;
  *max = channel->max_value;
  *step = 1;
  const auto first = m_controlDefaults.find(channel->label);
  *defaultValue = first != m_controlDefaults.end() ? first->second : channel->min_value;
  *capsFlags = VideoProcAmp_Flags_Manual;
  return S_OK;
}

HRESULT CaptureFilter::ControlSet(IAMVideoProcAmp*, long property, long value, long flags) {
  if (v4l2::NodeControls* node = nodeControls())
    return v4l2::Set(*node, v4l2::PropertySet::kVideoProcAmp, property, value, flags);
  GstColorBalanceChannel* channel = Channel(property);
  if (!channel) return E_PROP_ID_UNSUPPORTED;
  if (flags & VideoProcAmp_Flags_Auto) return E_INVALIDARG;  // no automatic mode is offered
  if (value < channel->min_value || value > channel->max_value) return E_INVALIDARG;
  return setControl(channel->label, static_cast<int>(value)) ? S_OK : E_FAIL;
}

HRESULT CaptureFilter::ControlGet(IAMVideoProcAmp*, long property, long* value, long* flags) {
  if (v4l2::NodeControls* node = nodeControls())
    return v4l2::Get(*node, v4l2::PropertySet::kVideoProcAmp, property, value, flags);
  if (!value || !flags) return E_POINTER;
  GstColorBalanceChannel* channel = Channel(property);
  if (!channel) return E_PROP_ID_UNSUPPORTED;
  *value = gst_color_balance_get_value(colorBalance(), channel);
  *flags = VideoProcAmp_Flags_Manual;
  return S_OK;
}

// Only a camera's own node has lens and exposure controls.
HRESULT CaptureFilter::ControlRange(IAMCameraControl*, long property, long* min, long* max,
                                    long* step, long* defaultValue, long* capsFlags) {
  v4l2::NodeControls* node = nodeControls();
  return node ? v4l2::GetRange(*node, v4l2::PropertySet::kCameraControl, property, min, max, step,
                               defaultValue, capsFlags)
              : E_PROP_ID_UNSUPPORTED;
}

HRESULT CaptureFilter::ControlSet(IAMCameraControl*, long property, long value, long flags) {
  v4l2::NodeControls* node = nodeControls();
  return node ? v4l2::Set(*node, v4l2::PropertySet::kCameraControl, property, value, flags)
              : E_PROP_ID_UNSUPPORTED;
}

HRESULT CaptureFilter::ControlGet(IAMCameraControl*, long property, long* value, long* flags) {
  v4l2::NodeControls* node = nodeControls();
  return node ? v4l2::Get(*node, v4l2::PropertySet::kCameraControl, property, value, flags)
              : E_PROP_ID_UNSUPPORTED;
}

HRESULT CaptureFilter::GetPages(CAUUID* pages) {
  if (HRESULT hr = faults::Check("ISpecifyPropertyPages::GetPages(filter)"); FAILED(hr)) return hr;
  return MakePageList({PropertyPageId::DeviceControls}, pages);
}

HRESULT StreamConfig::GetPages(CAUUID* pages) {
  if (HRESULT hr = faults::Check("ISpecifyPropertyPages::GetPages(pin)"); FAILED(hr)) return hr;
  if (!m_filter->isVideo()) return E_NOTIMPL;
  return MakePageList({PropertyPageId::CaptureFormat}, pages);
}

MajorType CaptureFilter::OutputMajorType(const Pin&) const {
  return isVideo() ? MajorType::Video : MajorType::Audio;
}

std::optional<VideoFormat> CaptureFilter::OutputVideoFormat(const Pin&) const {
  if (!isVideo()) return std::nullopt;
  return m_video;
}

HRESULT StreamConfig::GetFormat(AM_MEDIA_TYPE** type) {
  if (!type) return E_POINTER;
  *type = nullptr;
  if (HRESULT hr = faults::Check("IAMStreamConfig::GetFormat"); FAILED(hr)) return hr;
  *type = m_filter->isVideo() ? ToMediaType(m_filter->videoFormat())
                              : ToMediaType(m_filter->audioFormat());
  return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT StreamConfig::SetFormat(const AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  if (HRESULT hr = faults::Check("IAMStreamConfig::SetFormat"); FAILED(hr)) return hr;
  if (m_filter->isVideo()) {
    std::optional<VideoFormat> format = VideoFormatOf(*type);
    return format ? m_filter->SetVideoFormat(*format) : VFW_E_INVALIDMEDIATYPE;
  }
  std::optional<AudioFormat> format = AudioFormatOf(*type);
  return format ? m_filter->SetAudioFormat(*format) : VFW_E_INVALIDMEDIATYPE;
}

std::vector<std::unique_ptr<AM_MEDIA_TYPE, void (*)(AM_MEDIA_TYPE*)>> StreamConfig::Formats() {
  std::vector<std::unique_ptr<AM_MEDIA_TYPE, void (*)(AM_MEDIA_TYPE*)>> list;
  if (m_filter->isVideo()) {
    for (const VideoFormatRange& r : m_filter->videoFormats()) {
      const Fraction fastest = r.rates.empty() ? r.maxRate : r.rates.front();
      list.emplace_back(
          ToMediaType(VideoFormat{r.subtype, r.width, r.height,
                                  static_cast<REFERENCE_TIME>(1e7 / fastest.value())}),
          DeleteMediaType);
    }
  } else {
    for (const AudioFormat& f : m_filter->audioFormats())
      list.emplace_back(ToMediaType(f), DeleteMediaType);
  }
  return list;
}

}  // namespace dshow

namespace dshow::testapi {

namespace {

// A source that lost its device: every buffer it makes fails as its read
// would, so it stops, says why and ends its stream, as an unplugged one
// does, in this run and in every later one.
GstPadProbeReturn FailBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer) {
  if (GstElement* source = gst_pad_get_parent_element(pad)) {
    GST_ELEMENT_ERROR(source, RESOURCE, NOT_FOUND, ("The device went away."), ("test"));
    gst_object_unref(source);
  }
  gst_mini_object_unref(GST_MINI_OBJECT(GST_PAD_PROBE_INFO_DATA(info)));
  GST_PAD_PROBE_INFO_DATA(info) = nullptr;
  GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
  return GST_PAD_PROBE_HANDLED;
}

}  // namespace

void FailSource(GstElement* source) {
  if (GstPad* pad = gst_element_get_static_pad(source, "src")) {
    gst_pad_add_probe(
        pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        &FailBuffer, nullptr, nullptr);
    gst_object_unref(pad);
  }
}

void FailRunningDevice(const Ref<IBaseFilter>& filter) {
  auto capture = std::dynamic_pointer_cast<CaptureFilter>(filter);
  if (!capture || capture->m_chain.empty()) return;
  capture->m_failing = true;
  GstElement* source = capture->m_chain.front();
  GST_ELEMENT_ERROR(source, RESOURCE, NOT_FOUND, ("The device went away."), ("test"));
  FailSource(source);
}

}  // namespace dshow::testapi
