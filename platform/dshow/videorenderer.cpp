#include "platform/dshow/videorenderer.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <cstring>
#include <vector>

#include "platform/dshow/faults.h"

namespace dshow {

VideoRenderer::VideoRenderer() : FilterBase("Video Renderer") {}

Ref<VideoRenderer> VideoRenderer::Create() {
  Ref<VideoRenderer> renderer(new VideoRenderer());
  renderer->Build();
  return renderer;
}

VideoRenderer::~VideoRenderer() {
  // The sink's streaming thread calls into this object: stop it first.
  if (m_sink) {
    gst_element_set_state(m_sink, GST_STATE_NULL);
    g_signal_handlers_disconnect_by_data(m_sink, this);
  }
  {
    std::lock_guard guard(m_lock);
    if (m_pending) gst_sample_unref(m_pending);
    m_pending = nullptr;
    if (m_still) gst_sample_unref(m_still);
    m_still = nullptr;
  }
  delete m_widget.data();
}

void VideoRenderer::Build() {
  m_widget = new RendererWidget();
  GstElement* bin = m_bin.get();
  m_queue = AddToBin(bin, "queue");
  g_object_set(m_queue, "max-size-buffers", 2u, "max-size-time", guint64(0), "max-size-bytes", 0u,
               "leaky", 2 /* downstream */, nullptr);
  m_scale = AddToBin(bin, "videoscale");
  // Each painted pixel is one of the camera's, as an unsmoothed scaling
  // draw gives, at a fraction of the cost of filtering.
  gst_util_set_object_arg(G_OBJECT(m_scale), "method", "nearest-neighbour");
  GstElement* convert = AddToBin(bin, "videoconvert");
  m_sizeCaps = AddToBin(bin, "capsfilter");
  GstCaps* bgrx = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr);
  g_object_set(m_sizeCaps, "caps", bgrx, nullptr);
  gst_caps_unref(bgrx);
  GstElement* sink = m_sink = AddToBin(bin, "appsink");
  // A live preview never holds the graph back: no preroll wait, no EOS wait.
  g_object_set(sink, "emit-signals", TRUE, "max-buffers", 1u, "drop", TRUE, "sync", TRUE,
               "wait-on-eos", FALSE, "async", FALSE, nullptr);
  g_signal_connect(sink, "new-sample", G_CALLBACK(&VideoRenderer::OnNewSample), this);
  gst_element_link_many(m_queue, m_scale, convert, m_sizeCaps, sink, nullptr);
  GstPad* scaleIn = gst_element_get_static_pad(m_scale, "sink");
  gst_pad_add_probe(scaleIn, GST_PAD_PROBE_TYPE_BUFFER, &VideoRenderer::OnFrame, this, nullptr);
  // A new paint size concerns the scaler alone. Let upstream, its
  // reconfigure would have the camera renegotiate through the tee with
  // every branch while the size changes, and a query caught between two
  // sizes answered nothing: the camera stopped as not-negotiated.
  gst_pad_add_probe(
      scaleIn, GST_PAD_PROBE_TYPE_EVENT_UPSTREAM,
      [](GstPad*, GstPadProbeInfo* info, gpointer) {
        return GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_RECONFIGURE
                   ? GST_PAD_PROBE_DROP
                   : GST_PAD_PROBE_OK;
      },
      nullptr, nullptr);
  gst_object_unref(scaleIn);
  GstPad* target = gst_element_get_static_pad(m_queue, "sink");
  AddPin(PinDirection::Input, "Input", PinCategory::Capture, target);
  gst_object_unref(target);
  m_widget->SetChangeListener([this](bool showing, QSize size) { OnWidgetChanged(showing, size); });
}

// Streaming thread: keeps the frame for a still, and lets it on to be
// scaled and painted only while the widget shows, and the first frame of a
// run in any case: it is then ready to paint the moment the window shows
// rather than a frame time later. A new paint size is applied here, before
// the frame enters the scaler: set from the GUI thread it could change the
// caps under a frame already scaled to the old size, which then fails to
// negotiate and stops the stream.
GstPadProbeReturn VideoRenderer::OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<VideoRenderer*>(data);
  ++self->m_arrived;
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (caps) {
    GstSample* still = gst_sample_new(GST_PAD_PROBE_INFO_BUFFER(info), caps, nullptr, nullptr);
    gst_caps_unref(caps);
    std::lock_guard guard(self->m_lock);
    if (self->m_still) gst_sample_unref(self->m_still);
    self->m_still = still;
  }
  if (!self->m_showing.load() && self->m_sampled.load()) return GST_PAD_PROBE_DROP;
  self->ApplyPaintSize();
  return GST_PAD_PROBE_OK;
}

void VideoRenderer::ApplyPaintSize() {
  const unsigned long long wanted = m_wantedSize.load();
  if (wanted == m_appliedSize) return;
  m_appliedSize = wanted;
  GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", "width",
                                      G_TYPE_INT, static_cast<int>(wanted >> 32), "height",
                                      G_TYPE_INT, static_cast<int>(wanted & 0xffffffffu), nullptr);
  g_object_set(m_sizeCaps, "caps", caps, nullptr);
  gst_caps_unref(caps);
}

void VideoRenderer::OnWidgetChanged(bool showing, QSize size) {
  m_showing = showing;
  if (size.isEmpty()) return;
  m_wantedSize = static_cast<unsigned long long>(size.width()) << 32 |
                 static_cast<unsigned int>(size.height());
}

HRESULT VideoRenderer::PrepareInput(Pin&, Pin& upstream) {
  Ref<FilterBase> source = upstream.owner();
  if (!source || source->OutputMajorType(upstream) != MajorType::Video) return VFW_E_CANNOT_CONNECT;
  m_inputFormat = source->OutputVideoFormat(upstream);
  const bool jpeg = m_inputFormat && m_inputFormat->subtype == SubType::MJPG;
  if (jpeg && !m_decoder) {
    m_decoder = AddToBin(m_bin.get(), "jpegdec");
    gst_element_unlink(m_queue, m_scale);
    gst_element_link_many(m_queue, m_decoder, m_scale, nullptr);
  } else if (!jpeg && m_decoder) {
    gst_element_unlink_many(m_queue, m_decoder, m_scale, nullptr);
    gst_element_set_state(m_decoder, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_bin.get()), m_decoder);
    m_decoder = nullptr;
    gst_element_link(m_queue, m_scale);
  }
  return S_OK;
}

GstFlowReturn VideoRenderer::OnNewSample(GstElement* sink, gpointer data) {
  auto* self = static_cast<VideoRenderer*>(data);
  GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
  if (!sample) return GST_FLOW_OK;
  self->m_sampled = true;
  bool queue = false;
  {
    std::lock_guard guard(self->m_lock);
    if (self->m_pending) gst_sample_unref(self->m_pending);
    self->m_pending = sample;
    queue = !self->m_deliveryQueued;
    self->m_deliveryQueued = true;
  }
  // A call still queued when the renderer is gone is dropped with m_delivery.
  if (queue)
    QMetaObject::invokeMethod(
        &self->m_delivery, [self] { self->Deliver(); }, Qt::QueuedConnection);
  return GST_FLOW_OK;
}

void VideoRenderer::Deliver() {
  GstSample* sample;
  {
    std::lock_guard guard(m_lock);
    sample = m_pending;
    m_pending = nullptr;
    m_deliveryQueued = false;
  }
  if (sample && m_widget) m_widget->ShowSample(sample);
}

HRESULT VideoRenderer::put_Owner(OAHWND owner) {
  if (!m_widget) return E_UNEXPECTED;
  const bool visible = m_widget->isVisible();
  m_widget->setParent(owner);
  if (!owner)
    m_widget->hide();
  else if (visible)
    m_widget->show();
  return S_OK;
}

HRESULT VideoRenderer::put_WindowStyle(long) { return m_widget ? S_OK : E_UNEXPECTED; }

HRESULT VideoRenderer::SetWindowPosition(long left, long top, long width, long height) {
  if (!m_widget) return E_UNEXPECTED;
  if (width < 0 || height < 0) return E_INVALIDARG;
  m_widget->setGeometry(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                        static_cast<int>(height));
  // A hidden widget hears of its size only when shown: the frames are sized
  // now, before the graph runs, so no renegotiation holds the first one back.
  const qreal ratio = m_widget->devicePixelRatioF();
  OnWidgetChanged(m_showing.load(), QSize(qRound(width * ratio), qRound(height * ratio)));
  return S_OK;
}

HRESULT VideoRenderer::put_Visible(long visible) {
  if (!m_widget) return E_UNEXPECTED;
  m_widget->setVisible(visible != OAFALSE);
  return S_OK;
}

HRESULT VideoRenderer::get_Visible(long* visible) {
  if (!visible) return E_POINTER;
  if (!m_widget) return E_UNEXPECTED;
  *visible = m_widget->isVisible() ? OATRUE : OAFALSE;
  return S_OK;
}

HRESULT VideoRenderer::GetVideoSize(long* width, long* height) {
  if (!width || !height) return E_POINTER;
  if (!m_inputFormat) return VFW_E_NOT_CONNECTED;
  *width = m_inputFormat->width;
  *height = m_inputFormat->height;
  return S_OK;
}

HRESULT VideoRenderer::GetCurrentImage(long* size, long* buffer) {
  if (!size) return E_POINTER;
  if (HRESULT hr = faults::Check("IBasicVideo::GetCurrentImage"); FAILED(hr)) return hr;
  GstSample* sample = nullptr;
  {
    std::lock_guard guard(m_lock);
    if (m_still) sample = gst_sample_ref(m_still);
  }
  if (!sample) return E_UNEXPECTED;
  GstVideoInfo info;
  if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
    gst_sample_unref(sample);
    return E_FAIL;
  }
  const int width = GST_VIDEO_INFO_WIDTH(&info);
  const int height = GST_VIDEO_INFO_HEIGHT(&info);
  const long rowBytes = ((width * 3) + 3) & ~3;
  const long needed = static_cast<long>(sizeof(BITMAPINFOHEADER)) + rowBytes * height;
  if (!buffer || *size < needed) {
    gst_sample_unref(sample);
    const bool small = buffer && *size < needed;
    if (!small) *size = needed;
    return small ? E_OUTOFMEMORY : S_OK;
  }
  // The camera's frame, converted once at its own size: bottom-up BGR rows.
  GstVideoInfo outInfo;
  gst_video_info_set_format(&outInfo, GST_VIDEO_FORMAT_BGR, static_cast<guint>(width),
                            static_cast<guint>(height));
  outInfo.fps_n = info.fps_n;
  outInfo.fps_d = info.fps_d;
  outInfo.par_n = info.par_n;
  outInfo.par_d = info.par_d;
  GstVideoFrame in, out;
  std::vector<unsigned char> bgr(static_cast<std::size_t>(GST_VIDEO_INFO_SIZE(&outInfo)));
  GstBuffer* outBuffer = gst_buffer_new_wrapped_full(GST_MEMORY_FLAG_NO_SHARE, bgr.data(), bgr.size(),
                                                     0, bgr.size(), nullptr, nullptr);
  HRESULT hr = E_FAIL;
  if (gst_video_frame_map(&in, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
    if (gst_video_frame_map(&out, &outInfo, outBuffer, GST_MAP_WRITE)) {
      GstVideoConverter* converter = gst_video_converter_new(&info, &outInfo, nullptr);
      if (converter) {
        gst_video_converter_frame(converter, &in, &out);
        gst_video_converter_free(converter);
        BITMAPINFOHEADER header{};
        header.biSize = sizeof header;
        header.biWidth = width;
        header.biHeight = height;  // positive: bottom-up rows
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(rowBytes * height);
        auto* dib = reinterpret_cast<unsigned char*>(buffer);
        std::memcpy(dib, &header, sizeof header);
        const auto* pixels = static_cast<const unsigned char*>(GST_VIDEO_FRAME_PLANE_DATA(&out, 0));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&out, 0);
        for (int y = 0; y < height; ++y) {
          unsigned char* row = dib + sizeof header + static_cast<long>(y) * rowBytes;
          std::memcpy(row, pixels + static_cast<long>(height - 1 - y) * stride,
                      static_cast<std::size_t>(width) * 3);
          std::memset(row + width * 3, 0, static_cast<std::size_t>(rowBytes - width * 3));
        }
        *size = needed;
        hr = S_OK;
      }
      gst_video_frame_unmap(&out);
    }
    gst_video_frame_unmap(&in);
  }
  gst_buffer_unref(outBuffer);
  gst_sample_unref(sample);
  return hr;
}

}  // namespace dshow
