#include "platform/dshow/avistartgate.h"

#include <gst/audio/audio.h>
#include <gst/video/video.h>

#include <algorithm>
#include <chrono>

namespace dshow {

void AviStartGate::Reset(const std::vector<int>& inputs) {
  std::lock_guard guard(m_lock);
  m_arrived.clear();
  for (int id : inputs) m_arrived[id] = false;
  m_latestFirst = 0;
  m_start = GST_CLOCK_TIME_NONE;
}

void AviStartGate::Install(GstPad* pad, int index, bool video) {
  gst_pad_add_probe(
      pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      &AviStartGate::OnData, new Input{this, index, video},
      [](gpointer input) { delete static_cast<Input*>(input); });
}

GstClockTime AviStartGate::Start(int index, GstClockTime firstPts) {
  std::unique_lock lock(m_lock);
  if (GST_CLOCK_TIME_IS_VALID(m_start)) return m_start;
  const auto input = m_arrived.find(index);
  if (input == m_arrived.end()) return GST_CLOCK_TIME_NONE;
  if (!input->second) {
    input->second = true;
    m_latestFirst = std::max(m_latestFirst, firstPts);
    m_changed.notify_all();
  }
  m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [this] {
    return GST_CLOCK_TIME_IS_VALID(m_start) ||
           std::all_of(m_arrived.begin(), m_arrived.end(), [](const auto& a) { return a.second; });
  });
  // Whoever gets here first sets it; one that never came is not waited for
  // again.
  if (!GST_CLOCK_TIME_IS_VALID(m_start)) {
    m_start = m_latestFirst;
    m_changed.notify_all();
  }
  return m_start;
}

void AviStartGate::Ended(int index) {
  std::lock_guard guard(m_lock);
  const auto input = m_arrived.find(index);
  if (input == m_arrived.end() || input->second) return;
  input->second = true;
  m_changed.notify_all();
}

GstPadProbeReturn AviStartGate::OnData(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* input = static_cast<Input*>(data);
  if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS)
      input->gate->Ended(input->index);
    return GST_PAD_PROBE_OK;
  }
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return GST_PAD_PROBE_OK;
  const GstClockTime start = input->gate->Start(input->index, pts);
  if (!GST_CLOCK_TIME_IS_VALID(start) || pts >= start) return GST_PAD_PROBE_OK;

  GstCaps* caps = gst_pad_get_current_caps(pad);
  GstPadProbeReturn result = GST_PAD_PROBE_OK;
  if (input->video) {
    // A frame taken more than half a frame before the start is early.
    GstVideoInfo video;
    GstClockTime half = 0;
    if (caps && gst_video_info_from_caps(&video, caps) && video.fps_n > 0)
      half = gst_util_uint64_scale(GST_SECOND, video.fps_d, 2 * static_cast<guint64>(video.fps_n));
    if (pts + half < start) result = GST_PAD_PROBE_DROP;
  } else {
    GstAudioInfo audio;
    if (caps && gst_audio_info_from_caps(&audio, caps) && audio.rate > 0 && audio.bpf > 0) {
      const gsize bytes = gst_buffer_get_size(buffer);
      const guint64 frames = bytes / static_cast<gsize>(audio.bpf);
      const guint64 early = std::min<guint64>(
          frames, gst_util_uint64_scale(start - pts, static_cast<guint64>(audio.rate), GST_SECOND));
      if (early == frames) {
        result = GST_PAD_PROBE_DROP;
      } else if (early > 0) {
        // The sound before the start is cut from the buffer's front.
        buffer = gst_buffer_make_writable(buffer);
        gst_buffer_resize(buffer, static_cast<gssize>(early * audio.bpf), -1);
        const GstClockTime cut = gst_util_uint64_scale(early, GST_SECOND, static_cast<guint64>(audio.rate));
        GST_BUFFER_PTS(buffer) = pts + cut;
        if (GST_BUFFER_DURATION_IS_VALID(buffer))
          GST_BUFFER_DURATION(buffer) = GST_BUFFER_DURATION(buffer) > cut ? GST_BUFFER_DURATION(buffer) - cut : 0;
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
      }
    }
  }
  if (caps) gst_caps_unref(caps);
  return result;
}

}  // namespace dshow
