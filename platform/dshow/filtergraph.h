// The filter graph: a GstPipeline with IGraphBuilder, IMediaControl and
// IMediaEventEx (internal).
//
// Streaming-thread side: the bus is read by a synchronous handler that turns
// errors into queued graph events; the notify window hears of them through a
// message posted from the GUI thread. Fields touched by both sides are
// grouped below and guarded by m_eventLock.
#pragma once

#include <QObject>
#include <QPointer>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "platform/dshow/filterbase.h"

namespace dshow {

class FileWriterFilter;

// IBasicVideo is answered by the graph's first video renderer, as the graph
// manager forwards it; E_UNEXPECTED without one.
class FilterGraph : public IGraphBuilder,
                    public IMediaControl,
                    public IMediaEventEx,
                    public IBasicVideo {
 public:
  FilterGraph();
  ~FilterGraph() override;

  HRESULT AddFilter(const Ref<IBaseFilter>& filter, const std::string& name) override;
  HRESULT RemoveFilter(const Ref<IBaseFilter>& filter) override;
  HRESULT Disconnect(const Ref<IPin>& pin) override;

  HRESULT Run() override;
  HRESULT Pause() override;
  HRESULT Stop() override;
  HRESULT GetState(long timeoutMs, FilterState* state) override;

  HRESULT SetNotifyWindow(HWND window, UINT message, INT_PTR instance) override;
  HRESULT GetEvent(long* code, INT_PTR* param1, INT_PTR* param2, long timeoutMs) override;
  HRESULT FreeEventParams(long code, INT_PTR param1, INT_PTR param2) override;

  HRESULT GetVideoSize(long* width, long* height) override;
  HRESULT GetCurrentImage(long* size, long* buffer) override;

  // Links output to input (both in this graph, both free).
  HRESULT Connect(const Ref<Pin>& output, const Ref<Pin>& input);
  bool Contains(const FilterBase* filter) const;
  const std::vector<Ref<FilterBase>>& filters() const { return m_filters; }
  FilterState state() const { return m_state; }
  // The pipeline's running time now (for releasing streams together).
  GstClockTime RunningTime() const;
  // Queues an event and tells the notify window; any thread.
  void QueueEvent(long code, INT_PTR param1, INT_PTR param2);

 private:
  static GstBusSyncReply OnBusMessage(GstBus* bus, GstMessage* message, gpointer self);
  void PrepareFilterStates();
  HRESULT BeginRun();
  void EndFailedRun();
  std::vector<FileWriterFilter*> ConnectedWriters() const;
  // Until every writer has its end of stream, a write fails, or timeoutMs;
  // whether every writer finished.
  bool WaitForWriters(const std::vector<FileWriterFilter*>& writers, int timeoutMs);
  // Until every connected source has begun its stream, an error came, or
  // timeoutMs; the error's code, or S_OK (also when a source is slow).
  HRESULT WaitForSources(int timeoutMs);
  void NotifyOnGuiThread();
  IBasicVideo* Renderer() const;

  gst::Element m_pipeline;
  std::vector<Ref<FilterBase>> m_filters;
  FilterState m_state = FilterState::Stopped;
  QObject m_notifier;  // lives on the GUI thread; receives the queued notifications

  std::mutex m_eventLock;
  struct Event {
    long code;
    INT_PTR param1, param2;
  };
  std::deque<Event> m_events;                // guarded by m_eventLock
  bool m_abortQueued = false;                // guarded by m_eventLock: one EC_ERRORABORT per run
  bool m_writeFailed = false;                // guarded by m_eventLock: a file sink failed this run
  HRESULT m_firstError = S_OK;               // guarded by m_eventLock: the run's first error
  std::condition_variable m_streamChanged;   // with m_eventLock: a source began, an end of
                                             // stream, or a failure
  QPointer<QWidget> m_notifyWindow;          // GUI thread only
  UINT m_notifyMessage = 0;
  INT_PTR m_notifyInstance = 0;
};

}  // namespace dshow
