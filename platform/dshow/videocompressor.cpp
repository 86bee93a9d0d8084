#include "platform/dshow/videocompressor.h"

namespace dshow {

VideoCompressorFilter::VideoCompressorFilter(VideoCompression compression, int rateNumerator,
                                             int rateDenominator)
    : FilterBase(compression == VideoCompression::kMotionJpeg ? "Motion JPEG Compressor"
                                                              : "Full Frames (Uncompressed)"),
      m_compression(compression),
      m_rateNumerator(rateNumerator),
      m_rateDenominator(rateDenominator) {}

Ref<VideoCompressorFilter> VideoCompressorFilter::Create(VideoCompression compression,
                                                         int rateNumerator, int rateDenominator) {
  if (rateNumerator <= 0 || rateDenominator <= 0) return nullptr;
  Ref<VideoCompressorFilter> filter(
      new VideoCompressorFilter(compression, rateNumerator, rateDenominator));
  GstElement* bin = filter->bin();
  filter->m_rate = AddToBin(bin, "videorate");
  filter->m_rateCaps = AddToBin(bin, "capsfilter");
  if (!filter->m_rate || !filter->m_rateCaps ||
      !gst_element_link(filter->m_rate, filter->m_rateCaps))
    return nullptr;
  GstPad* sink = gst_element_get_static_pad(filter->m_rate, "sink");
  filter->AddPin(PinDirection::Input, "In", PinCategory::Capture, sink);
  gst_object_unref(sink);
  Ref<Pin> out = filter->AddPin(PinDirection::Output, "Out", PinCategory::Capture, nullptr);
  filter->m_probe = gst_pad_add_probe(out->pad(), GST_PAD_PROBE_TYPE_BUFFER,
                                      &VideoCompressorFilter::OnFrame, filter.get(), nullptr);
  return filter;
}

VideoCompressorFilter::~VideoCompressorFilter() {
  // The probe points at this filter; the pad may outlive it in the pipeline.
  if (m_probe && !pins().empty()) gst_pad_remove_probe(pins().back()->pad(), m_probe);
}

GstPadProbeReturn VideoCompressorFilter::OnFrame(GstPad*, GstPadProbeInfo*, gpointer self) {
  static_cast<VideoCompressorFilter*>(self)->m_frames.fetch_add(1);
  return GST_PAD_PROBE_OK;
}

HRESULT VideoCompressorFilter::PrepareInput(Pin&, Pin& upstream) {
  Ref<FilterBase> source = upstream.owner();
  std::optional<VideoFormat> format = source ? source->OutputVideoFormat(upstream) : std::nullopt;
  if (!format) return VFW_E_CANNOT_CONNECT;
  RemoveCoding();
  m_input = format;
  m_frames = 0;

  // The rate is set on whatever the camera delivers, raw or JPEG.
  const bool jpeg = format->subtype == SubType::MJPG;
  GstCaps* rate =
      gst_caps_new_simple(jpeg ? "image/jpeg" : "video/x-raw", "framerate", GST_TYPE_FRACTION,
                          m_rateNumerator, m_rateDenominator, nullptr);
  g_object_set(m_rateCaps, "caps", rate, nullptr);
  gst_caps_unref(rate);

  GstElement* last = m_rateCaps;
  auto add = [&](const char* factory) {
    GstElement* e = AddToBin(bin(), factory);
    if (!e) return false;
    m_coding.push_back(e);
    const bool linked = gst_element_link(last, e);
    last = e;
    return linked;
  };
  bool ok = true;
  if (m_compression == VideoCompression::kMotionJpeg && !jpeg) {
    ok = add("jpegenc");
  } else if (m_compression == VideoCompression::kFullFrames && jpeg) {
    ok = add("jpegdec") && add("videoconvert") && add("capsfilter");
    if (ok) {
      GstCaps* yuy2 = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", nullptr);
      g_object_set(m_coding.back(), "caps", yuy2, nullptr);
      gst_caps_unref(yuy2);
    }
  }
  GstPad* src = ok ? gst_element_get_static_pad(last, "src") : nullptr;
  ok = src && gst_ghost_pad_set_target(GST_GHOST_PAD(pins().back()->pad()), src);
  if (src) gst_object_unref(src);
  if (!ok) {
    RemoveCoding();
    return VFW_E_CANNOT_CONNECT;
  }
  if (GST_STATE(bin()) != GST_STATE_NULL)
    for (GstElement* e : m_coding) gst_element_sync_state_with_parent(e);
  return S_OK;
}

void VideoCompressorFilter::InputDisconnected(Pin&) {
  RemoveCoding();
  m_input.reset();
}

void VideoCompressorFilter::RemoveCoding() {
  gst_ghost_pad_set_target(GST_GHOST_PAD(pins().back()->pad()), nullptr);
  for (GstElement* e : m_coding) {
    gst_element_set_state(e, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(bin()), e);
  }
  m_coding.clear();
}

std::optional<VideoFormat> VideoCompressorFilter::OutputVideoFormat(const Pin&) const {
  if (!m_input) return std::nullopt;
  VideoFormat out = *m_input;
  out.subtype = m_compression == VideoCompression::kMotionJpeg ? SubType::MJPG : SubType::YUY2;
  out.avgTimePerFrame =
      static_cast<REFERENCE_TIME>(10000000LL * m_rateDenominator / m_rateNumerator);
  return out;
}

}  // namespace dshow
