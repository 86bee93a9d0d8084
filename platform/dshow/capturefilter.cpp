#include "platform/dshow/capturefilter.h"

#include <gst/video/colorbalance.h>

#include <algorithm>

#include "platform/dshow/faults.h"
#include "platform/dshow/filtergraph.h"

namespace dshow {

namespace {

// The video sizes and rates a host camera announces in its caps.
std::vector<VideoFormatRange> HostVideoFormats(GstDevice* device) {
  std::vector<VideoFormatRange> ranges;
  if (!device) return ranges;
  GstCaps* caps = gst_device_get_caps(device);
  if (!caps) return ranges;
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps, i);
    SubType subtype;
    if (gst_structure_has_name(s, "image/jpeg")) {
      subtype = SubType::MJPG;
    } else if (gst_structure_has_name(s, "video/x-raw") &&
               g_strcmp0(gst_structure_get_string(s, "format"), "YUY2") == 0) {
      subtype = SubType::YUY2;
    } else {
      continue;
    }
    int width = 0, height = 0;
    if (!gst_structure_get_int(s, "width", &width) || !gst_structure_get_int(s, "height", &height))
      continue;
    int minFps = 1000, maxFps = 0;
    const GValue* rate = gst_structure_get_value(s, "framerate");
    auto take = [&](const GValue* v) {
      if (!GST_VALUE_HOLDS_FRACTION(v)) return;
      int n = gst_value_get_fraction_numerator(v), d = gst_value_get_fraction_denominator(v);
      if (d <= 0 || n <= 0) return;
      minFps = std::min(minFps, n / d);
      maxFps = std::max(maxFps, (n + d - 1) / d);
    };
    if (rate && GST_VALUE_HOLDS_LIST(rate)) {
      for (guint k = 0; k < gst_value_list_get_size(rate); ++k)
        take(gst_value_list_get_value(rate, k));
    } else if (rate && GST_VALUE_HOLDS_FRACTION_RANGE(rate)) {
      take(gst_value_get_fraction_range_min(rate));
      take(gst_value_get_fraction_range_max(rate));
    } else if (rate) {
      take(rate);
    }
    if (maxFps > 0) ranges.push_back({subtype, width, height, minFps, maxFps});
  }
  gst_caps_unref(caps);
  return ranges;
}

}  // namespace

CaptureFilter::CaptureFilter(const DeviceDescription& device)
    : FilterBase(device.friendlyName), m_device(device) {}

Ref<CaptureFilter> CaptureFilter::Create(const DeviceDescription& device) {
  Ref<CaptureFilter> filter(new CaptureFilter(device));
  return filter->Build() ? filter : nullptr;
}

bool CaptureFilter::Build() {
  GstElement* bin = m_bin.get();
  m_caps = AddToBin(bin, "capsfilter");
  if (m_device.source == DeviceDescription::Source::HostCamera) {
    m_hostVideoFormats = HostVideoFormats(m_device.hostDevice.get());
    // A camera's own default where it has the usual one, else its first format.
    const VideoFormat usual;
    bool hasUsual = Offers(m_hostVideoFormats, usual);
    if (!hasUsual && !m_hostVideoFormats.empty()) {
      const VideoFormatRange& r = m_hostVideoFormats.front();
      m_video = VideoFormat{r.subtype, r.width, r.height, 10000000 / std::max(1, r.maxFps)};
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

bool CaptureFilter::BuildSourceChain() {
  GstElement* bin = m_bin.get();
  for (GstElement* e : m_chain) {
    gst_element_set_state(e, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(bin), e);
  }
  m_chain.clear();
  auto add = [&](const char* factory) {
    GstElement* e = AddToBin(bin, factory);
    if (e) m_chain.push_back(e);
    return e;
  };
  // The end caps first: linking checks the chain against them.
  gst::Caps endCaps = isVideo() ? ToCaps(m_video) : ToCaps(m_audio);
  g_object_set(m_caps, "caps", endCaps.get(), nullptr);
  bool ok = true;
  switch (m_device.source) {
    case DeviceDescription::Source::VirtualCamera: {
      GstElement* src = add("videotestsrc");
      g_object_set(src, "is-live", TRUE, "pattern", m_pattern, "horizontal-speed", 4, nullptr);
      m_testSource = src;
      GstElement* raw = add("capsfilter");
      VideoFormat rawFormat = m_video;
      gst::Caps rawCaps = ToCaps(rawFormat);
      GstCaps* caps = gst_caps_copy(rawCaps.get());
      if (m_video.subtype == SubType::MJPG) {
        gst_structure_set_name(gst_caps_get_structure(caps, 0), "video/x-raw");
        gst_caps_set_simple(caps, "format", G_TYPE_STRING, "I420", nullptr);
      }
      g_object_set(raw, "caps", caps, nullptr);
      gst_caps_unref(caps);
      GstElement* clock = add("timeoverlay");
      g_object_set(clock, "font-desc", "Sans 20", "halignment", 2 /* right */, "silent",
                   m_clock ? FALSE : TRUE, nullptr);
      m_clockOverlay = clock;
      ok = src && raw && clock && gst_element_link_many(src, raw, clock, nullptr);
      GstElement* last = clock;
      if (ok && m_video.subtype == SubType::MJPG) {
        GstElement* jpeg = add("jpegenc");
        ok = jpeg && gst_element_link(clock, jpeg);
        last = jpeg;
      }
      ok = ok && gst_element_link(last, m_caps);
      break;
    }
    case DeviceDescription::Source::VirtualMicrophone: {
      GstElement* src = add("audiotestsrc");
      g_object_set(src, "is-live", TRUE, "wave", 0 /* sine */, "freq", 440.0, "volume", 0.3,
                   nullptr);
      ok = src && gst_element_link(src, m_caps);
      break;
    }
    case DeviceDescription::Source::HostCamera:
    case DeviceDescription::Source::HostMicrophone: {
      GstElement* src = m_device.hostDevice
                            ? gst_device_create_element(m_device.hostDevice.get(), nullptr)
                            : nullptr;
      if (!src) return false;
      gst_bin_add(GST_BIN(bin), src);
      m_chain.push_back(src);
      GstElement* last = src;
      if (!isVideo()) {
        // Microphones deliver what they like; convert to the chosen format.
        GstElement* convert = add("audioconvert");
        GstElement* resample = add("audioresample");
        ok = convert && resample && gst_element_link_many(src, convert, resample, nullptr);
        last = resample;
      }
      ok = ok && gst_element_link(last, m_caps);
      break;
    }
  }
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

std::vector<VideoFormatRange> CaptureFilter::videoFormats() const {
  return m_device.source == DeviceDescription::Source::HostCamera ? m_hostVideoFormats
                                                                  : VirtualCameraFormats();
}

std::vector<AudioFormat> CaptureFilter::audioFormats() const { return VirtualMicrophoneFormats(); }

HRESULT CaptureFilter::SetVideoFormat(const VideoFormat& format) {
  if (!isVideo() || !Offers(videoFormats(), format)) return VFW_E_INVALIDMEDIATYPE;
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
    for (const VideoFormatRange& r : m_filter->videoFormats())
      list.emplace_back(
          ToMediaType(VideoFormat{r.subtype, r.width, r.height, 10000000 / std::max(1, r.maxFps)}),
          DeleteMediaType);
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
// would, so it stops, says why and ends its stream, as an unplugged one does.
GstPadProbeReturn FailBuffer(GstPad*, GstPadProbeInfo* info, gpointer) {
  gst_mini_object_unref(GST_MINI_OBJECT(GST_PAD_PROBE_INFO_DATA(info)));
  GST_PAD_PROBE_INFO_DATA(info) = nullptr;
  GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
  return GST_PAD_PROBE_HANDLED;
}

}  // namespace

void FailRunningDevice(const Ref<IBaseFilter>& filter) {
  auto capture = std::dynamic_pointer_cast<CaptureFilter>(filter);
  if (!capture) return;
  GstElement* source = nullptr;
  GstIterator* it = gst_bin_iterate_sources(GST_BIN(capture->bin()));
  GValue item = G_VALUE_INIT;
  if (gst_iterator_next(it, &item) == GST_ITERATOR_OK)
    source = GST_ELEMENT(g_value_dup_object(&item));
  g_value_unset(&item);
  gst_iterator_free(it);
  if (!source) return;
  GError* error =
      g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_READ, "The device went away.");
  gst_element_post_message(source, gst_message_new_error(GST_OBJECT(source), error, "test"));
  g_error_free(error);
  if (GstPad* pad = gst_element_get_static_pad(source, "src")) {
    gst_pad_add_probe(
        pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        &FailBuffer, nullptr, nullptr);
    gst_object_unref(pad);
  }
  gst_object_unref(source);
}

}  // namespace dshow::testapi
