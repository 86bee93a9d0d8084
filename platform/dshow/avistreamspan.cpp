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

// The sound format on pad; false when it has none yet.
bool PadAudioInfo(GstPad* pad, GstAudioInfo* audio) {
  GstCaps* caps = gst_pad_get_current_caps(pad);
  const bool known = caps && gst_audio_info_from_caps(audio, caps) && audio->rate > 0 && audio->bpf > 0;
  if (caps) gst_caps_unref(caps);
  return known;
}

}  // namespace

void AviStreamSpan::Reset(const std::vector<int>& inputs) {
  std::lock_guard guard(m_lock);
  m_arrived.clear();
  for (int id : inputs) m_arrived[id] = false;
  m_earliestFirst = GST_CLOCK_TIME_NONE;
  m_start = GST_CLOCK_TIME_NONE;
  m_stopped = GST_CLOCK_TIME_NONE;
}

void AviStreamSpan::Install(GstPad* queueSink, GstPad* afterQueue, int id, GstClockTime framePeriod) {
  gst_pad_add_probe(queueSink, GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, &AviStreamSpan::OnEnter, this,
                    nullptr);
  gst_pad_add_probe(
      afterQueue,
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
    m_earliestFirst = GST_CLOCK_TIME_IS_VALID(m_earliestFirst) ? std::min(m_earliestFirst, firstPts)
                                                               : firstPts;
    m_changed.notify_all();
  }
  m_changed.wait_for(lock, std::chrono::milliseconds(kWaitMs), [this] {
    return GST_CLOCK_TIME_IS_VALID(m_start) ||
           std::all_of(m_arrived.begin(), m_arrived.end(), [](const auto& a) { return a.second; });
  });
  // Whoever gets here first sets it; one that never came is not waited for
  // again.
  if (!GST_CLOCK_TIME_IS_VALID(m_start)) {
    m_start = m_earliestFirst;
    m_changed.notify_all();
  }
  return m_start;
}

GstClockTime AviStreamSpan::LatestEnd() {
  std::lock_guard guard(m_lock);
  // The recording ended when the first input saw its end of stream: what
  // another input captured after that (its end comes a moment later) would
  // run past the first's end in the file.
  GstClockTime end = m_stopped;
  if (GST_CLOCK_TIME_IS_VALID(m_start) && GST_CLOCK_TIME_IS_VALID(m_length))
    end = GST_CLOCK_TIME_IS_VALID(end) ? std::min(end, m_start + m_length) : m_start + m_length;
  return end;
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
      input->span->FillToEnd(pad, input);
    } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP ||
               GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_STREAM_START) {
      gst_clear_buffer(&input->last);
      input->begun = false;
      input->end = GST_CLOCK_TIME_NONE;
    }
    return GST_PAD_PROBE_OK;
  }
  const GstPadProbeReturn result = input->span->Trim(pad, info, input);
  if (result != GST_PAD_PROBE_OK) return result;
  GstBuffer* passed = GST_PAD_PROBE_INFO_BUFFER(info);
  if (input->framePeriod > 0) {
    gst_buffer_replace(&input->last, passed);
  } else if (GST_BUFFER_PTS_IS_VALID(passed)) {
    GstAudioInfo audio;
    if (PadAudioInfo(pad, &audio))
      input->end = GST_BUFFER_PTS(passed) +
                   gst_util_uint64_scale(gst_buffer_get_size(passed) / audio.bpf, GST_SECOND,
                                         static_cast<guint64>(audio.rate));
  }
  return result;
}

GstPadProbeReturn AviStreamSpan::Trim(GstPad* pad, GstPadProbeInfo* info, Input* input) {
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  const GstClockTime pts = GST_BUFFER_PTS(buffer);
  if (!GST_CLOCK_TIME_IS_VALID(pts)) return GST_PAD_PROBE_OK;
  const GstClockTime start = Start(input->id, pts);
  if (!GST_CLOCK_TIME_IS_VALID(start)) return GST_PAD_PROBE_OK;
  if (pts >= start) {
    const GstClockTime end = LatestEnd();
    if (GST_CLOCK_TIME_IS_VALID(end)) {
      if (pts >= end) return GST_PAD_PROBE_DROP;
      if (input->framePeriod == 0) CutAtEnd(pad, info, end);
    }
    if (!std::exchange(input->begun, true)) FillFromStart(pad, input, GST_PAD_PROBE_INFO_BUFFER(info), start);
    return GST_PAD_PROBE_OK;
  }
  if (input->framePeriod > 0)  // a frame taken more than half a frame early
    return pts + input->framePeriod / 2 < start ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;

  GstAudioInfo audio;
  if (!PadAudioInfo(pad, &audio)) return GST_PAD_PROBE_OK;
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

// The sound past the end is cut from the buffer's back.
void AviStreamSpan::CutAtEnd(GstPad* pad, GstPadProbeInfo* info, GstClockTime end) {
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  GstAudioInfo audio;
  if (!PadAudioInfo(pad, &audio)) return;
  const guint64 frames = gst_buffer_get_size(buffer) / static_cast<gsize>(audio.bpf);
  const guint64 keep =
      gst_util_uint64_scale(end - GST_BUFFER_PTS(buffer), static_cast<guint64>(audio.rate), GST_SECOND);
  if (keep >= frames) return;
  buffer = gst_buffer_make_writable(buffer);
  gst_buffer_resize(buffer, 0, static_cast<gssize>(keep * audio.bpf));
  GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(keep, GST_SECOND, static_cast<guint64>(audio.rate));
  GST_PAD_PROBE_INFO_DATA(info) = buffer;
}

// A stream that begins after the start: its first frame once more at the
// start, or silence up to its first sound.
void AviStreamSpan::FillFromStart(GstPad* pad, Input* input, GstBuffer* first, GstClockTime start) {
  const GstClockTime pts = GST_BUFFER_PTS(first);
  GstBuffer* filler = nullptr;
  if (input->framePeriod > 0) {
    if (pts < start + input->framePeriod / 2) return;
    filler = gst_buffer_copy(first);
    GST_BUFFER_DURATION(filler) = pts - start;
  } else if (!(filler = Silence(pad, start, pts))) {
    return;
  }
  GST_BUFFER_PTS(filler) = start;
  GST_BUFFER_DTS(filler) = GST_CLOCK_TIME_NONE;
  GST_BUFFER_FLAG_SET(filler, GST_BUFFER_FLAG_DISCONT);
  gst_pad_chain(pad, filler);
}

GstBuffer* AviStreamSpan::Silence(GstPad* pad, GstClockTime from, GstClockTime to) {
  GstAudioInfo audio;
  const guint64 frames =
      PadAudioInfo(pad, &audio) && to > from ? gst_util_uint64_scale(to - from, static_cast<guint64>(audio.rate), GST_SECOND) : 0;
  if (frames == 0) return nullptr;
  GstBuffer* silence = gst_buffer_new_allocate(nullptr, frames * audio.bpf, nullptr);
  GstMapInfo map;
  if (gst_buffer_map(silence, &map, GST_MAP_WRITE)) {
    gst_audio_format_info_fill_silence(audio.finfo, map.data, map.size);
    gst_buffer_unmap(silence, &map);
  }
  GST_BUFFER_PTS(silence) = from;
  GST_BUFFER_DURATION(silence) = gst_util_uint64_scale(frames, GST_SECOND, static_cast<guint64>(audio.rate));
  return silence;
}

// Fills a stream that ended short of the moment the recording was ended:
// the picture with its last frame stamped once more one frame before it
// (the constant-rate step fills the gap), the sound with silence.
void AviStreamSpan::FillToEnd(GstPad* pad, Input* input) {
  GstClockTime end;
  {
    std::lock_guard guard(m_lock);
    end = m_stopped;
  }
  if (!GST_CLOCK_TIME_IS_VALID(end)) return;
  end = std::min(end, LatestEnd());
  if (input->framePeriod == 0) {
    // More than a millisecond short: the source dropped its last blocks.
    if (GST_CLOCK_TIME_IS_VALID(input->end) && input->end + GST_MSECOND < end)
      if (GstBuffer* silence = Silence(pad, input->end, end)) gst_pad_chain(pad, silence);
    return;
  }
  GstBuffer* last = std::exchange(input->last, nullptr);
  if (!last) return;
  const GstClockTime pts = GST_BUFFER_PTS(last);
  // Filled when it falls short by more than half a frame after its own.
  if (GST_CLOCK_TIME_IS_VALID(pts) && pts + input->framePeriod + input->framePeriod / 2 <= end) {
    GstBuffer* again = gst_buffer_copy(last);
    GST_BUFFER_PTS(again) = end - input->framePeriod;
    GST_BUFFER_DTS(again) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(again) = input->framePeriod;
    gst_pad_chain(pad, again);
  }
  gst_buffer_unref(last);
}

}  // namespace dshow
