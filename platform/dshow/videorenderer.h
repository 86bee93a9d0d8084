// The default video renderer: input pin, IVideoWindow over a RendererWidget,
// IBasicVideo with the frame on show (internal).
//
// Bin: queue ! [jpegdec] ! videoscale ! videoconvert ! BGRx at the widget's
// size ! appsink: frames are scaled before they are converted, in the
// streaming thread, so painting copies nothing more. While nothing of the
// widget is visible (hidden, its window minimised), frames stop before the
// scaler. The newest camera frame is kept as it came (m_still) for
// GetCurrentImage, which converts it at its own size once asked.
//
// Frames arrive on the streaming thread and are handed to the widget through
// a call queued on m_delivery, a GUI-thread object that lives as long as the
// renderer: the streaming thread never touches the widget, which its owner
// window may delete at any time. Only the newest frame waits; older ones are
// dropped.
#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <atomic>
#include <mutex>

#include "platform/dshow/filterbase.h"
#include "platform/dshow/rendererwidget.h"

namespace dshow {

class VideoRenderer : public FilterBase, public IVideoWindow, public IBasicVideo {
 public:
  static Ref<VideoRenderer> Create();
  ~VideoRenderer() override;

  HRESULT PrepareInput(Pin& input, Pin& upstream) override;
  void PrepareRun() override { m_sampled = false; }

  HRESULT put_Owner(OAHWND owner) override;
  HRESULT put_WindowStyle(long style) override;
  HRESULT SetWindowPosition(long left, long top, long width, long height) override;
  HRESULT put_Visible(long visible) override;
  HRESULT get_Visible(long* visible) override;

  HRESULT GetVideoSize(long* width, long* height) override;
  HRESULT GetCurrentImage(long* size, long* buffer) override;

  RendererWidget* widget() const { return m_widget.data(); }
  // Camera frames that reached the renderer, shown or not (any thread).
  unsigned long long framesArrived() const { return m_arrived.load(); }

 private:
  VideoRenderer();
  void Build();
  static GstFlowReturn OnNewSample(GstElement* sink, gpointer self);
  static GstPadProbeReturn OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  void Deliver();
  // GUI thread: the widget's visibility and size in device pixels.
  void OnWidgetChanged(bool showing, QSize size);
  void ApplyPaintSize();

  QPointer<RendererWidget> m_widget;  // GUI thread only
  QObject m_delivery;                 // the queued calls' context
  GstElement* m_sink = nullptr;
  GstElement* m_queue = nullptr;
  GstElement* m_decoder = nullptr;
  GstElement* m_scale = nullptr;
  GstElement* m_sizeCaps = nullptr;
  // The size frames are to be scaled to (width << 32 | height), set by the
  // GUI thread, and the one the caps hold (streaming thread).
  std::atomic<unsigned long long> m_wantedSize{0};
  unsigned long long m_appliedSize = 0;
  std::optional<VideoFormat> m_inputFormat;

  // Streaming thread to GUI thread: the newest sample waits here.
  std::mutex m_lock;
  GstSample* m_pending = nullptr;  // guarded by m_lock
  bool m_deliveryQueued = false;   // guarded by m_lock
  GstSample* m_still = nullptr;    // guarded by m_lock: the newest frame as it came
  std::atomic<bool> m_showing{false};
  std::atomic<bool> m_sampled{false};  // a frame has reached the sink since the graph ran
  std::atomic<unsigned long long> m_arrived{0};
};

}  // namespace dshow
