#include "platform/dshow/rendererwidget.h"

#include <gst/video/video.h>

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <QTimer>

namespace dshow {

RendererWidget::RendererWidget() {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAutoFillBackground(false);
  hide();
}

RendererWidget::~RendererWidget() { Clear(); }

void RendererWidget::ShowSample(GstSample* sample) {
  if (m_sample) gst_sample_unref(m_sample);
  m_sample = sample;
  m_newFrame = true;
  ++m_received;
  if (m_minIntervalMs <= 0 || !m_lastUpdate.isValid()) {
    m_lastUpdate.start();
    update();
    return;
  }
  // Frames closer together than the interval wait for its end; only the
  // newest is painted then.
  const qint64 wait = m_minIntervalMs - m_lastUpdate.elapsed();
  if (wait <= 0) {
    m_lastUpdate.restart();
    update();
  } else if (!m_updatePending) {
    m_updatePending = true;
    QTimer::singleShot(static_cast<int>(wait), Qt::PreciseTimer, this, [this] {
      m_updatePending = false;
      m_lastUpdate.restart();
      update();
    });
  }
}

void RendererWidget::SetChangeListener(std::function<void(bool, QSize)> listener) {
  m_listener = std::move(listener);
  Tell();
}

void RendererWidget::Tell() {
  if (!m_listener) return;
  const bool minimised = window()->windowState() & Qt::WindowMinimized;
  const qreal ratio = devicePixelRatioF();
  m_listener(isVisible() && !minimised,
             QSize(qRound(width() * ratio), qRound(height() * ratio)));
}

bool RendererWidget::event(QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::Resize:
    case QEvent::ParentChange:
    case QEvent::ScreenChangeInternal:
      // The window's minimising is seen on the window itself.
      if (window() != m_watchedWindow) {
        if (m_watchedWindow) m_watchedWindow->removeEventFilter(this);
        m_watchedWindow = window();
        if (m_watchedWindow != this) m_watchedWindow->installEventFilter(this);
        else m_watchedWindow = nullptr;
      }
      Tell();
      break;
    default: break;
  }
  return QWidget::event(event);
}

bool RendererWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_watchedWindow &&
      (event->type() == QEvent::WindowStateChange || event->type() == QEvent::Show ||
       event->type() == QEvent::Hide))
    Tell();
  return QWidget::eventFilter(watched, event);
}

void RendererWidget::SetMinimumFrameInterval(int milliseconds) {
  m_minIntervalMs = milliseconds;
}

GstSample* RendererWidget::CurrentSample() const {
  return m_sample ? gst_sample_ref(m_sample) : nullptr;
}

void RendererWidget::Clear() {
  if (m_sample) gst_sample_unref(m_sample);
  m_sample = nullptr;
}

void RendererWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  GstVideoInfo info;
  GstVideoFrame frame;
  if (!m_sample || !gst_video_info_from_caps(&info, gst_sample_get_caps(m_sample)) ||
      !gst_video_frame_map(&frame, &info, gst_sample_get_buffer(m_sample), GST_MAP_READ)) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  // The mapped frame is painted in place: the scaling draw is its only copy.
  QImage image(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
               GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
               GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(rect(), image);
  gst_video_frame_unmap(&frame);
  if (m_newFrame) {
    ++m_painted;
    m_newFrame = false;
  }
}

}  // namespace dshow
