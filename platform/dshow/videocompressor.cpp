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
  filter->m_entry = AddToBin(filter->bin(), "identity");
  if (!filter->m_entry) return nullptr;
  GstPad* sink = gst_element_get_static_pad(filter->m_entry, "sink");
  filter->AddPin(PinDirection::Input, "In", PinCategory::Capture, sink);
  gst_object_unref(sink);
  filter->AddPin(PinDirection::Output, "Out", PinCategory::Capture, nullptr);
  return filter;
}

HRESULT VideoCompressorFilter::PrepareInput(Pin&, Pin& upstream) {
  Ref<FilterBase> source = upstream.owner();
  std::optional<VideoFormat> format = source ? source->OutputVideoFormat(upstream) : std::nullopt;
  if (!format) return VFW_E_CANNOT_CONNECT;
  RemoveCoding();
  m_input = format;

  const bool jpeg = format->subtype == SubType::MJPG;
  GstElement* last = m_entry;
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
  if (m_compression == VideoCompression::kMotionJpeg)
    out.subtype = SubType::MJPG;
  else if (out.subtype == SubType::MJPG)
    out.subtype = SubType::YUY2;
  out.avgTimePerFrame =
      static_cast<REFERENCE_TIME>(10000000LL * m_rateDenominator / m_rateNumerator);
  return out;
}

}  // namespace dshow
