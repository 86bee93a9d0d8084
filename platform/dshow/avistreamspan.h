// Makes the streams of a file cover one span of time (internal).
//
// AVI stores no timestamps: a stream that begins later or ends earlier
// than another is played from the file's start all the same, out of step
// by the difference.
// - The start: a microphone often begins a tenth of a second after the
//   camera (its stream connects and negotiates on its own), and a camera in
//   the dark sends its first frame up to two frame times after the
//   recording began. Each input of the multiplexer is held at its first
//   buffer until every input has one (or has ended, or kWaitMs pass); the
//   earliest of those first timestamps is the start. A stream that begins
//   later is filled in front from the start: the picture with its first
//   frame stamped at the start (the constant-rate step repeats it), the
//   sound with silence. What lies before the start (an input that came
//   after the wait) is dropped.
// - The end: a camera in the dark, or one unplugged, sends its last frame
//   well before the recording is stopped, and a source ending its stream
//   drops what it still had queued. At its end of stream each stream is
//   filled up to the moment the recording was ended: the picture with its
//   last frame stamped once more one frame before it, the sound with
//   silence. The inputs cannot wait for each other there: the multiplexer
//   holds one until the other brings data. The moment is the first end of
//   stream to reach an input; what another input captured after it (its
//   own end comes a moment later) is dropped, so no stream runs past it.
// - A length, when one is set, ends the span that long after the start
//   whenever the recording is ended: what comes later is dropped, so a
//   time limit gives a file of that length however late the program gets
//   round to ending it.
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
  // The span's length from the next run on; GST_CLOCK_TIME_NONE: until the
  // recording is ended (GUI thread, streams stopped).
  void SetLength(GstClockTime length) {
    std::lock_guard guard(m_lock);
    m_length = length;
  }
  // Installs the span on an input: on its queue's sink pad, and on the sink
  // pad of the element after the queue, where the end of stream has not yet
  // closed the pad when it arrives, so that filling can still go in. id
  // names the input; framePeriod is the file's frame time for video, 0 for
  // sound.
  void Install(GstPad* queueSink, GstPad* afterQueue, int id, GstClockTime framePeriod);

 private:
  struct Input {
    AviStreamSpan* span;
    int id;
    GstClockTime framePeriod;
    GstBuffer* last = nullptr;  // video: the last frame passed on (streaming thread)
    bool begun = false;         // its first buffer has passed (streaming thread)
    GstClockTime end = GST_CLOCK_TIME_NONE;  // sound: where its last buffer ended
    ~Input() {
      if (last) gst_buffer_unref(last);
    }
  };
  static GstPadProbeReturn OnEnter(GstPad* pad, GstPadProbeInfo* info, gpointer span);
  static GstPadProbeReturn OnLeave(GstPad* pad, GstPadProbeInfo* info, gpointer input);
  // Waits for the start; GST_CLOCK_TIME_NONE when there is none.
  GstClockTime Start(int id, GstClockTime firstPts);
  void Ended(int id);
  // Where the span ends at the latest (the recording's end, the length);
  // GST_CLOCK_TIME_NONE: not known yet.
  GstClockTime LatestEnd();
  GstPadProbeReturn Trim(GstPad* pad, GstPadProbeInfo* info, Input* input);
  static void CutAtEnd(GstPad* pad, GstPadProbeInfo* info, GstClockTime end);
  void FillFromStart(GstPad* pad, Input* input, GstBuffer* first, GstClockTime start);
  void FillToEnd(GstPad* pad, Input* input);
  // Silence from..to in the pad's sound format, or null.
  static GstBuffer* Silence(GstPad* pad, GstClockTime from, GstClockTime to);

  std::mutex m_lock;
  std::condition_variable m_changed;
  std::map<int, bool> m_arrived;     // guarded by m_lock: an input has its first buffer or ended
  GstClockTime m_earliestFirst = GST_CLOCK_TIME_NONE;  // guarded by m_lock
  GstClockTime m_start = GST_CLOCK_TIME_NONE;  // guarded by m_lock; set once all arrived
  GstClockTime m_stopped = GST_CLOCK_TIME_NONE;  // guarded by m_lock: when the stream was ended
  GstClockTime m_length = GST_CLOCK_TIME_NONE;   // guarded by m_lock
};

}  // namespace dshow
