// The video renderer's surface: a child widget that paints the newest frame
// scaled into its rectangle (internal to the capture layer). GUI thread only.
#pragma once

#include <gst/gst.h>

#include <QElapsedTimer>
#include <QWidget>
#include <atomic>
#include <functional>

namespace dshow {

class RendererWidget : public QWidget {
 public:
  RendererWidget();
  ~RendererWidget() override;

  // Shows sample (BGRx) from now on; takes the caller's reference.
  void ShowSample(GstSample* sample);
  // The sample on show with a new reference for the caller, or null.
  GstSample* CurrentSample() const;
  void Clear();
  // Paints at most one frame per interval (0: every frame as it comes);
  // every frame is still kept for CurrentSample.
  void SetMinimumFrameInterval(int milliseconds);

  // Told on the GUI thread whether any of the widget can be seen (shown, its
  // window not minimised) and its size in device pixels, as they change.
  void SetChangeListener(std::function<void(bool showing, QSize size)> listener);

  // Frames painted since construction (for measurements).
  unsigned long long paintedFrames() const { return m_painted; }
  // Frames handed to the widget, painted or not (a hidden widget paints none).
  unsigned long long receivedFrames() const { return m_received; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  GstSample* m_sample = nullptr;
  bool m_newFrame = false;
  int m_minIntervalMs = 0;
  QElapsedTimer m_lastUpdate;
  bool m_updatePending = false;
  unsigned long long m_painted = 0;
  unsigned long long m_received = 0;
  std::function<void(bool, QSize)> m_listener;
  QWidget* m_watchedWindow = nullptr;
  void Tell();
};

}  // namespace dshow
