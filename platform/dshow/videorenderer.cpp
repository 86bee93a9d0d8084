#include "platform/dshow/videorenderer.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <cstring>

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
  }
  delete m_widget.data();
}

void VideoRenderer::Build() {
  m_widget = new RendererWidget();
  GstElement* bin = m_bin.get();
  m_queue = AddToBin(bin, "queue");
  g_object_set(m_queue, "max-size-buffers", 2u, "max-size-time", guint64(0), "max-size-bytes", 0u,
               "leaky", 2 /* downstream */, nullptr);
  m_convert = AddToBin(bin, "videoconvert");
  GstElement* caps = AddToBin(bin, "capsfilter");
  GstCaps* bgrx = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr);
  g_object_set(caps, "caps", bgrx, nullptr);
  gst_caps_unref(bgrx);
  GstElement* sink = m_sink = AddToBin(bin, "appsink");
  // A live preview never holds the graph back: no preroll wait, no EOS wait.
  g_object_set(sink, "emit-signals", TRUE, "max-buffers", 1u, "drop", TRUE, "sync", TRUE,
               "wait-on-eos", FALSE, "async", FALSE, nullptr);
  g_signal_connect(sink, "new-sample", G_CALLBACK(&VideoRenderer::OnNewSample), this);
  gst_element_link_many(m_queue, m_convert, caps, sink, nullptr);
  GstPad* target = gst_element_get_static_pad(m_queue, "sink");
  AddPin(PinDirection::Input, "Input", PinCategory::Capture, target);
  gst_object_unref(target);
}

HRESULT VideoRenderer::PrepareInput(Pin&, Pin& upstream) {
  Ref<FilterBase> source = upstream.owner();
  if (!source || source->OutputMajorType(upstream) != MajorType::Video) return VFW_E_CANNOT_CONNECT;
  m_inputFormat = source->OutputVideoFormat(upstream);
  const bool jpeg = m_inputFormat && m_inputFormat->subtype == SubType::MJPG;
  if (jpeg && !m_decoder) {
    m_decoder = AddToBin(m_bin.get(), "jpegdec");
    gst_element_unlink(m_queue, m_convert);
    gst_element_link_many(m_queue, m_decoder, m_convert, nullptr);
  } else if (!jpeg && m_decoder) {
    gst_element_unlink_many(m_queue, m_decoder, m_convert, nullptr);
    gst_element_set_state(m_decoder, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_bin.get()), m_decoder);
    m_decoder = nullptr;
    gst_element_link(m_queue, m_convert);
  }
  return S_OK;
}

GstFlowReturn VideoRenderer::OnNewSample(GstElement* sink, gpointer data) {
  auto* self = static_cast<VideoRenderer*>(data);
  GstSample* sample = gst_app_sink_pull_sample(GST_APP_SINK(sink));
  if (!sample) return GST_FLOW_OK;
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
  GstSample* sample = m_widget ? m_widget->CurrentSample() : nullptr;
  if (!sample) return E_UNEXPECTED;
  GstVideoInfo info;
  GstVideoFrame frame;
  if (!gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) ||
      !gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
    gst_sample_unref(sample);
    return E_FAIL;
  }
  const int width = GST_VIDEO_FRAME_WIDTH(&frame);
  const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
  const long rowBytes = ((width * 3) + 3) & ~3;
  const long needed = static_cast<long>(sizeof(BITMAPINFOHEADER)) + rowBytes * height;
  HRESULT hr = S_OK;
  if (!buffer) {
    *size = needed;
  } else if (*size < needed) {
    hr = E_OUTOFMEMORY;
  } else {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;  // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = static_cast<DWORD>(rowBytes * height);
    auto* out = reinterpret_cast<unsigned char*>(buffer);
    std::memcpy(out, &header, sizeof header);
    const auto* pixels = static_cast<const unsigned char*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
    const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
    for (int y = 0; y < height; ++y) {
      const unsigned char* src = pixels + static_cast<long>(height - 1 - y) * stride;
      unsigned char* dst = out + sizeof header + static_cast<long>(y) * rowBytes;
      for (int x = 0; x < width; ++x) {  // BGRx to BGR
        dst[x * 3 + 0] = src[x * 4 + 0];
        dst[x * 3 + 1] = src[x * 4 + 1];
        dst[x * 3 + 2] = src[x * 4 + 2];
      }
      std::memset(dst + width * 3, 0, static_cast<std::size_t>(rowBytes - width * 3));
    }
    *size = needed;
  }
  gst_video_frame_unmap(&frame);
  gst_sample_unref(sample);
  return hr;
}

}  // namespace dshow
