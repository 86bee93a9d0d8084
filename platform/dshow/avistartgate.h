// Makes the streams of a file begin at one moment (internal).
//
// AVI stores no timestamps: a stream that begins later than another is
// played from the file's start all the same, out of step by the difference.
// A microphone often begins a tenth of a second after the camera (its
// stream connects and negotiates on its own). The gate holds each input of
// the multiplexer at its first buffer until every input has one (or has
// ended, or kWaitMs pass), takes the latest of those first timestamps as
// the start, and from then drops what lies before it: whole video frames
// more than half a frame early, and the early part of the sound.
//
// One gate per multiplexer; the inputs' streaming threads call it.
#pragma once

#include <gst/gst.h>

#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace dshow {

class AviStartGate {
 public:
  static constexpr int kWaitMs = 2000;

  // A new run with these inputs (GUI thread, streams stopped).
  void Reset(const std::vector<int>& inputs);
  // Installs the gate on an input's pad (after its queue); index names the
  // input, video tells how to trim.
  void Install(GstPad* pad, int index, bool video);

 private:
  struct Input {
    AviStartGate* gate;
    int index;
    bool video;
  };
  static GstPadProbeReturn OnData(GstPad* pad, GstPadProbeInfo* info, gpointer input);
  // Waits for the start; GST_CLOCK_TIME_NONE when there is none.
  GstClockTime Start(int index, GstClockTime firstPts);
  void Ended(int index);

  std::mutex m_lock;
  std::condition_variable m_changed;
  std::map<int, bool> m_arrived;     // guarded by m_lock: an input has its first buffer or ended
  GstClockTime m_latestFirst = 0;    // guarded by m_lock
  GstClockTime m_start = GST_CLOCK_TIME_NONE;  // guarded by m_lock; set once all arrived
};

}  // namespace dshow
