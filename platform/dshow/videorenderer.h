// The default video renderer: input pin, IVideoWindow over a RendererWidget,
// IBasicVideo with the frame on show (internal).
//
// Bin: queue ! [jpegdec] ! videoconvert ! BGRx ! appsink. Frames arrive on
// the streaming thread and are handed to the widget through a call queued on
// m_delivery, a GUI-thread object that lives as long as the renderer: the
// streaming thread never touches the widget, which its owner window may
// delete at any time. Only the newest frame waits; older ones are dropped.
#pragma once

#include <QObject>
#include <QPointer>
#include <mutex>

#include "platform/dshow/filterbase.h"
#include "platform/dshow/rendererwidget.h"

namespace dshow {

class VideoRenderer : public FilterBase, public IVideoWindow, public IBasicVideo {
 public:
  static Ref<VideoRenderer> Create();
  ~VideoRenderer() override;

  HRESULT PrepareInput(Pin& input, Pin& upstream) override;

  HRESULT put_Owner(OAHWND owner) override;
  HRESULT put_WindowStyle(long style) override;
  HRESULT SetWindowPosition(long left, long top, long width, long height) override;
  HRESULT put_Visible(long visible) override;
  HRESULT get_Visible(long* visible) override;

  HRESULT GetVideoSize(long* width, long* height) override;
  HRESULT GetCurrentImage(long* size, long* buffer) override;

  RendererWidget* widget() const { return m_widget.data(); }

 private:
  VideoRenderer();
  void Build();
  static GstFlowReturn OnNewSample(GstElement* sink, gpointer self);
  void Deliver();

  QPointer<RendererWidget> m_widget;  // GUI thread only
  QObject m_delivery;                 // the queued calls' context
  GstElement* m_sink = nullptr;
  GstElement* m_queue = nullptr;
  GstElement* m_decoder = nullptr;
  GstElement* m_convert = nullptr;
  std::optional<VideoFormat> m_inputFormat;

  // Streaming thread to GUI thread: the newest sample waits here.
  std::mutex m_lock;
  GstSample* m_pending = nullptr;  // guarded by m_lock
  bool m_deliveryQueued = false;   // guarded by m_lock
};

}  // namespace dshow
