// Makes the streams of a file cover one span of time (internal).
//
// AVI stores no timestamps: a stream that begins later or ends earlier
// than another is played from the file's start all the same, out of step
// by the difference.
// - The start: a microphone often begins a tenth of a second after the
//   camera (its stream connects and negotiates on its own). Each input of
//   the multiplexer is held at its first buffer until every input has one
//   (or has ended, or kWaitMs pass); the latest of those first timestamps
//   is the start, and what lies before it is dropped: whole video frames
//   more than half a frame early, and the early part of the sound.
// - The end: a camera in the dark, or one unplugged, sends its last frame
//   well before the recording is stopped. At its end of stream the
//   picture's last frame is stamped once more one frame before the moment
//   the stream was ended, so the constant-rate step repeats it up to there,
//   where the sound ends too (within its last block). The inputs cannot
//   wait for each other there: the multiplexer holds one until the other
//   brings data.
//
// One span per multiplexer; the inputs' streaming threads call it.
#pragma once

#include <gst/gst.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace dshow {

class AviStreamSpan {
 public:
  static constexpr int kWaitMs = 2000;

  // A new run with these inputs (GUI thread, streams stopped).
  void Reset(const std::vector<int>& inputs);
  // Installs the span on an input's queue (its sink and source pads); id
  // names the input; framePeriod is the file's frame time for video, 0 for
  // sound.
  void Install(GstPad* queueSink, GstPad* queueSrc, int id, GstClockTime framePeriod);

 private:
  struct Input {
    AviStreamSpan* span;
    int id;
    GstClockTime framePeriod;
    GstBuffer* last = nullptr;  // video: the last frame passed on (streaming thread)
    ~Input() {
      if (last) gst_buffer_unref(last);
    }
  };
  static GstPadProbeReturn OnEnter(GstPad* pad, GstPadProbeInfo* info, gpointer span);
  static GstPadProbeReturn OnLeave(GstPad* pad, GstPadProbeInfo* info, gpointer input);
  // Waits for the start; GST_CLOCK_TIME_NONE when there is none.
  GstClockTime Start(int id, GstClockTime firstPts);
  void Ended(int id);
  GstPadProbeReturn Trim(GstPad* pad, GstPadProbeInfo* info, Input* input);
  void FillToEnd(GstPad* pad, Input* input);

  std::mutex m_lock;
  std::condition_variable m_changed;
  std::map<int, bool> m_arrived;     // guarded by m_lock: an input has its first buffer or ended
  GstClockTime m_latestFirst = 0;    // guarded by m_lock
  GstClockTime m_start = GST_CLOCK_TIME_NONE;  // guarded by m_lock; set once all arrived
  GstClockTime m_stopped = GST_CLOCK_TIME_NONE;  // guarded by m_lock: when the stream was ended
};

}  // namespace dshow
