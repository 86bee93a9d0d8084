#include "platform/dshow/avistreamspan.h"

#include <gst/audio/audio.h>

#include <algorithm>
#include <chrono>
#include <utility>

namespace dshow {

namespace {

// The running time of the element that owns pad, now.
GstClockTime RunningTimeNow(GstPad* pad) {
  GstElement* element = gst_pad_get_parent_element(pad);
  if (!element) return GST_CLOCK_TIME_NONE;
  GstClockTime now = GST_CLOCK_TIME_NONE;
  if (GstClock* clock = gst_element_get_clock(element)) {
    const GstClockTime time = gst_clock_get_time(clock);
    const GstClockTime base = gst_element_get_base_time(element);
    now = time > base ? time - base : 0;
    gst_object_unref(clock);
  }
  gst_object_unref(element);
  return now;
}

}  // namespace

void AviStreamSpan::Reset(const std::vector<int>& inputs) {
  std::lock_guard guard(m_lock);
  m_arrived.clear();
  for (int id : inputs) m_arrived[id] = false;
  m_latestFirst = 0;
  m_start = GST_CLOCK_TIME_NONE;
  m_stopped = GST_CLOCK_TIME_NONE;
}

void AviStreamSpan::Install(GstPad* queueSink, GstPad* queueSrc, int id, GstClockTime framePeriod) {
  gst_pad_add_probe(queueSink, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &AviStreamSpan::OnEnter, this,
                    nullptr);
  gst_pad_add_probe(
      queueSrc,
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      &AviStreamSpan::OnLeave, new Input{this, id, framePeriod},
      [](gpointer input) { delete static_cast<Input*>(input); });
}

GstClockTime AviStreamSpan::Start(int id, GstClockTime firstPts) {
  std::unique_lock lock(m_lock);
  if (GST_CLOCK_TIME_IS_VALID(m_start)) return m_start;
  const auto input = m_arrived.find(id);
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

void AviStreamSpan::Ended(int id) {
  std::lock_guard guard(m_lock);
  const auto input = m_arrived.find(id);
  if (input == m_arrived.end() || input->second) return;
  input->second = true;
  m_changed.notify_all();
}

// The end of stream entering an input's queue: the moment the recording
// was ended, taken before any backlog in the queue delays it.
GstPadProbeReturn AviStreamSpan::OnEnter(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) != GST_EVENT_EOS) return GST_PAD_PROBE_OK;
  auto* span = static_cast<AviStreamSpan*>(data);
  const GstClockTime now = RunningTimeNow(pad);
  std::lock_guard guard(span->m_lock);
  if (!GST_CLOCK_TIME_IS_VALID(span->m_stopped)) span->m_stopped = now;
  return GST_PAD_PROBE_OK;
}

GstPadProbeReturn AviStreamSpan::OnLeave(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* input = static_cast<Input*>(data);
  if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
      input->span->Ended(input->id);
      if (input->framePeriod > 0) input->span->FillToEnd(pad, input);
    } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP) {
      gst_clear_buffer(&input->last);
    }
    return GST_PAD_PROBE_OK;
  }
  const GstPadProbeReturn result = input->span->Trim(pad, info, input);
  if (result != GST_PAD_PROBE_OK) return result;
  if (input->framePeriod > 0) gst_buffer_replace(&input->last, GST_PAD_PROBE_INFO_BUFFER(info));
  return result;
}

GstPadProbeReturn AviStreamSpan::Trim(GstPad* pad, GstPadProbeInfo* info, Input* input) {
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return GST_PAD_PROBE_OK;
  const GstClockTime start = Start(input->id, pts);
  if (!GST_CLOCK_TIME_IS_VALID(start) || pts >= start) return GST_PAD_PROBE_OK;
  if (input->framePeriod > 0)  // a frame taken more than half a frame early
    return pts + input->framePeriod / 2 < start ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;

  GstAudioInfo audio;
  GstCaps* caps = gst_pad_get_current_caps(pad);
  const bool known = caps && gst_audio_info_from_caps(&audio, caps) && audio.rate > 0 && audio.bpf > 0;
  if (caps) gst_caps_unref(caps);
  if (!known) return GST_PAD_PROBE_OK;
  const guint64 frames = gst_buffer_get_size(buffer) / static_cast<gsize>(audio.bpf);
  const guint64 early = std::min<guint64>(
      frames, gst_util_uint64_scale(start - pts, static_cast<guint64>(audio.rate), GST_SECOND));
  if (early == frames) return GST_PAD_PROBE_DROP;
  if (early > 0) {
    // The sound before the start is cut from the buffer's front.
    buffer = gst_buffer_make_writable(buffer);
    gst_buffer_resize(buffer, static_cast<gssize>(early * audio.bpf), -1);
    const GstClockTime cut = gst_util_uint64_scale(early, GST_SECOND, static_cast<guint64>(audio.rate));
    GST_BUFFER_PTS(buffer) = pts + cut;
    if (GST_BUFFER_DURATION_IS_VALID(buffer))
      GST_BUFFER_DURATION(buffer) = GST_BUFFER_DURATION(buffer) > cut ? GST_BUFFER_DURATION(buffer) - cut : 0;
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
  }
  return GST_PAD_PROBE_OK;
}

// Stamps the last frame again one frame time before the end, when the
// picture stopped short of it; the constant-rate step fills the gap.
void AviStreamSpan::FillToEnd(GstPad* pad, Input* input) {
  GstClockTime end;
  {
    std::lock_guard guard(m_lock);
    end = m_stopped;
  }
  GstBuffer* last = std::exchange(input->last, nullptr);
  if (!last) return;
  const GstClockTime pts = GST_BUFFER_PTS(last);
  if (GST_CLOCK_TIME_IS_VALID(end) && GST_CLOCK_TIME_IS_VALID(pts) &&
      pts + 2 * input->framePeriod <= end) {
    GstBuffer* again = gst_buffer_copy(last);
    GST_BUFFER_PTS(again) = end - input->framePeriod;
    GST_BUFFER_DTS(again) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(again) = input->framePeriod;
    gst_pad_push(pad, again);
  }
  gst_buffer_unref(last);
}

}  // namespace dshow
