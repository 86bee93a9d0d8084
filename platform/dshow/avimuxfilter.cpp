#include "platform/dshow/avimuxfilter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/dshow/faults.h"
#include "platform/dshow/gsterrors.h"

namespace dshow {

AviMuxFilter::AviMuxFilter() : FilterBase("AVI Mux") {}

Ref<AviMuxFilter> AviMuxFilter::Create() {
  Ref<AviMuxFilter> mux(new AviMuxFilter());
  mux->Build();
  return mux;
}

AviMuxFilter::~AviMuxFilter() {
  for (Input& input : m_connected) gst_object_unref(input.muxPad);
}

void AviMuxFilter::Build() {
  m_mux = AddToBin(m_bin.get(), "avimux");
  g_object_set(m_mux, "bigfile", TRUE, nullptr);
  GstPad* src = gst_element_get_static_pad(m_mux, "src");
  m_patcher = AviStreamPatcher::Install(src);
  AddPin(PinDirection::Output, "AVI Out", PinCategory::Capture, src);
  gst_object_unref(src);
  AddFreeInput();
}

void AviMuxFilter::AddFreeInput() {
  char name[24];
  std::snprintf(name, sizeof name, "Input %02d", ++m_inputs);
  AddPin(PinDirection::Input, name, PinCategory::Capture, nullptr);
}

Ref<Pin> AviMuxFilter::FreeInput() const {
  for (const Ref<Pin>& pin : m_pins)
    if (pin->direction() == PinDirection::Input && !pin->peer()) return pin;
  return nullptr;
}

Ref<Pin> AviMuxFilter::Output() const {
  for (const Ref<Pin>& pin : m_pins)
    if (pin->direction() == PinDirection::Output) return pin;
  return nullptr;
}

void AviMuxFilter::PrepareRun() {
  m_frames = 0;
  std::vector<int> inputs;
  for (const Input& input : m_connected) inputs.push_back(input.id);
  m_span.Reset(inputs);
  // The format may have changed since the input was linked (the rate is
  // set after the branches are built): the file follows what comes now.
  bool changed = false;
  for (Input& input : m_connected) {
    if (input.major != MajorType::Video) continue;
    Ref<Pin> peer = input.pin->peer();
    Ref<FilterBase> source = peer ? peer->owner() : nullptr;
    std::optional<VideoFormat> now = source ? source->OutputVideoFormat(*peer) : std::nullopt;
    if (!now || now == input.upstream) continue;
    RemoveElements(&input);
    input.upstream = now;
    BuildInput(&input);
    changed = true;
  }
  if (changed) DescribeVideoStreams();
}

GstPadProbeReturn AviMuxFilter::OnFrame(GstPad*, GstPadProbeInfo*, gpointer self) {
  static_cast<AviMuxFilter*>(self)->m_frames.fetch_add(1);
  return GST_PAD_PROBE_OK;
}

bool AviMuxFilter::BuildInput(Input* input) {
  const std::optional<VideoFormat>& upstream = input->upstream;
  GstElement* bin = m_bin.get();
  GstElement* last = nullptr;
  bool ok = true;
  auto add = [&](const char* factory) {
    GstElement* e = AddToBin(bin, factory);
    if (e) input->elements.push_back(e);
    ok = ok && e && (!last || gst_element_link(last, e));
    last = e;
    return e;
  };
  auto capsfilter = [&](GstCaps* caps) {
    if (GstElement* filter = add("capsfilter")) g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
  };
  // Sound and picture arrive from different threads at different paces; the
  // queue lets the multiplexer interleave them without stalling either.
  GstElement* queue = add("queue");
  if (queue)
    g_object_set(queue, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time",
                 guint64(5 * GST_SECOND), nullptr);
  if (input->major == MajorType::Video) {
    if (!upstream) return false;
    VideoFormat stored = *upstream;
    const bool jpeg = upstream->subtype == SubType::MJPG;
    if (!jpeg && upstream->subtype != SubType::YUY2) {
      add("videoconvert");
      capsfilter(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", nullptr));
      stored.subtype = SubType::YUY2;
    }
    const Fraction rate = StandardRate(upstream->avgTimePerFrame);
    if (rate.num <= 0) return false;
    if (GstElement* videorate = add("videorate"))
      g_object_set(videorate, "skip-to-first", TRUE, nullptr);
    capsfilter(gst_caps_new_simple(jpeg ? "image/jpeg" : "video/x-raw", "framerate",
                                   GST_TYPE_FRACTION, rate.num, rate.den, nullptr));
    if (ok) {
      GstPad* out = gst_element_get_static_pad(last, "src");
      gst_pad_add_probe(out, GST_PAD_PROBE_TYPE_BUFFER, &AviMuxFilter::OnFrame, this, nullptr);
      gst_object_unref(out);
    }
    input->stored = stored;
  } else {
    if (GstElement* audiorate = add("audiorate"))
      g_object_set(audiorate, "skip-to-first", TRUE, nullptr);
  }
  if (!ok || input->elements.size() < 2) return false;
  // The streams' span, between the queue and what follows it.
  const Fraction rate = upstream ? StandardRate(upstream->avgTimePerFrame) : Fraction{};
  const GstClockTime period =
      input->major == MajorType::Video && rate.num > 0
          ? gst_util_uint64_scale(GST_SECOND, static_cast<guint64>(rate.den),
                                  static_cast<guint64>(rate.num))
          : 0;
  GstPad* queueSink = gst_element_get_static_pad(queue, "sink");
  GstPad* afterQueue = gst_element_get_static_pad(input->elements[1], "sink");
  m_span.Install(queueSink, afterQueue, input->id, period);
  gst_object_unref(afterQueue);
  GstPad* lastSrc = gst_element_get_static_pad(last, "src");
  ok = gst_pad_link(lastSrc, input->muxPad) == GST_PAD_LINK_OK &&
       gst_ghost_pad_set_target(GST_GHOST_PAD(input->pin->pad()), queueSink);
  gst_object_unref(lastSrc);
  gst_object_unref(queueSink);
  return ok;
}

void AviMuxFilter::RemoveInput(Input* input) {
  RemoveElements(input);
  gst_element_release_request_pad(m_mux, input->muxPad);
  gst_object_unref(input->muxPad);
}

void AviMuxFilter::RemoveElements(Input* input) {
  gst_ghost_pad_set_target(GST_GHOST_PAD(input->pin->pad()), nullptr);
  if (!input->elements.empty()) {
    GstPad* lastSrc = gst_element_get_static_pad(input->elements.back(), "src");
    gst_pad_unlink(lastSrc, input->muxPad);
    gst_object_unref(lastSrc);
  }
  for (GstElement* e : input->elements) {
    gst_element_set_state(e, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_bin.get()), e);
  }
  input->elements.clear();
}

// avimux numbers its video streams first, the last video input requested
// as stream 0.
void AviMuxFilter::DescribeVideoStreams() {
  m_patcher->ClearVideoStreams();
  int number = 0;
  for (auto it = m_connected.rbegin(); it != m_connected.rend(); ++it) {
    if (!it->stored) continue;
    AviStreamPatcher::VideoStream stream;
    stream.compressed = it->stored->subtype == SubType::MJPG;
    stream.sizeImage = FrameBytes(it->stored->subtype, it->stored->width, it->stored->height);
    m_patcher->SetVideoStream(number++, stream);
  }
}

HRESULT AviMuxFilter::PrepareInput(Pin& input, Pin& upstream) {
  Ref<FilterBase> source = upstream.owner();
  if (!source) return VFW_E_CANNOT_CONNECT;
  const MajorType major = source->OutputMajorType(upstream);
  if (major != MajorType::Video && major != MajorType::Audio) return VFW_E_CANNOT_CONNECT;
  GstPad* muxPad =
      gst_element_request_pad_simple(m_mux, major == MajorType::Video ? "video_%u" : "audio_%u");
  if (!muxPad) return VFW_E_CANNOT_CONNECT;
  Input built{m_inputs, &input, {}, muxPad, major, source->OutputVideoFormat(upstream),
              std::nullopt};
  if (!BuildInput(&built)) {
    // Nothing of a failed input stays: no requested pad, no elements.
    RemoveInput(&built);
    return VFW_E_CANNOT_CONNECT;
  }
  if (GST_STATE(m_bin.get()) != GST_STATE_NULL)
    for (GstElement* e : built.elements) gst_element_sync_state_with_parent(e);
  m_connected.push_back(std::move(built));
  DescribeVideoStreams();
  AddFreeInput();
  return S_OK;
}

void AviMuxFilter::InputDisconnected(Pin& input) {
  auto it = std::find_if(m_connected.begin(), m_connected.end(),
                         [&input](const Input& i) { return i.pin == &input; });
  if (it == m_connected.end()) return;
  RemoveInput(&*it);
  m_connected.erase(it);
  DescribeVideoStreams();
}

// The multiplexer interleaves by time on its own; the master stream and the
// old-style index are kept for the asking and have no further effect: the
// file always carries both the old index and the extended one.
HRESULT AviMuxFilter::SetMasterStream(long stream) {
  if (HRESULT hr = faults::Check("IConfigAviMux::SetMasterStream"); FAILED(hr)) return hr;
  m_masterStream = stream;
  return S_OK;
}

HRESULT AviMuxFilter::GetMasterStream(long* stream) {
  if (!stream) return E_POINTER;
  *stream = m_masterStream;
  return S_OK;
}

HRESULT AviMuxFilter::SetOutputCompatibilityIndex(BOOL oldIndex) {
  if (HRESULT hr = faults::Check("IConfigAviMux::SetOutputCompatibilityIndex"); FAILED(hr))
    return hr;
  m_oldIndex = oldIndex;
  return S_OK;
}

FileWriterFilter::FileWriterFilter(const std::string& windowsPath, const std::string& hostPath)
    : FilterBase("File Writer"), m_windowsPath(windowsPath), m_hostPath(hostPath) {}

Ref<FileWriterFilter> FileWriterFilter::Create(const std::string& windowsPath,
                                               const std::string& hostPath) {
  Ref<FileWriterFilter> writer(new FileWriterFilter(windowsPath, hostPath));
  writer->Build();
  return writer;
}

FileWriterFilter::~FileWriterFilter() {
  // No streaming thread may call into a writer that is going.
  if (m_sink) gst_element_set_state(m_sink, GST_STATE_NULL);
  CloseFile();
}

void FileWriterFilter::Build() {
  // fdsink writes to a descriptor this filter opened itself (filesink would
  // follow a link and block on a FIFO). Until then it has none: its default
  // is standard output.
  m_sink = AddToBin(m_bin.get(), "fdsink");
  g_object_set(m_sink, "async", FALSE, "sync", FALSE, nullptr);
  gst_element_set_locked_state(m_sink, TRUE);
  GstPad* sinkPad = gst_element_get_static_pad(m_sink, "sink");
  gst_pad_add_probe(
      sinkPad,
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_BUFFER |
                                   GST_PAD_PROBE_TYPE_BUFFER_LIST),
      &FileWriterFilter::OnData, this, nullptr);
  AddPin(PinDirection::Input, "in", PinCategory::Capture, sinkPad);
  gst_object_unref(sinkPad);
}

void FileWriterFilter::PrepareRun() {
  CloseFile();
  m_openFailure = S_OK;
  if (!AnyPinConnected()) return;
  // O_NONBLOCK: a FIFO does not hold the open; O_NOFOLLOW: a link is
  // refused, not written through. Emptied only once it is known to be a
  // regular file nobody else is writing.
  const int fd = ::open(m_hostPath.c_str(),
                        O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0666);
  struct stat st;
  HRESULT failure = S_OK;
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    failure = kWriteFault;
  else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
    failure = static_cast<HRESULT>(0x80070000u | ERROR_SHARING_VIOLATION);
  else if (::ftruncate(fd, 0) != 0 || ::fcntl(fd, F_SETFL, O_WRONLY) != 0)
    failure = kWriteFault;
  if (FAILED(failure)) {
    if (fd >= 0) ::close(fd);
    m_openFailure = failure;
    return;
  }
  m_fd = fd;
  m_device = st.st_dev;
  m_inode = st.st_ino;
  g_object_set(m_sink, "fd", m_fd, nullptr);
  gst_element_set_locked_state(m_sink, FALSE);
}

void FileWriterFilter::Stopped() { CloseFile(); }

void FileWriterFilter::CloseFile() {
  if (m_fd < 0) return;
  if (m_sink) {
    gst_element_set_locked_state(m_sink, TRUE);
    gst_element_set_state(m_sink, GST_STATE_NULL);
  }
  // A run that wrote nothing (a start cancelled or failed) leaves no empty
  // file that no player opens.
  struct stat st;
  if (!m_wrote.load() && ::fstat(m_fd, &st) == 0 && st.st_size == 0 && StillAt(st.st_dev, st.st_ino))
    ::unlink(m_hostPath.c_str());
  ::close(m_fd);  // and with it the lock
  m_fd = -1;
}

GstPadProbeReturn FileWriterFilter::OnData(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* writer = static_cast<FileWriterFilter*>(data);
  if (GST_PAD_PROBE_INFO_TYPE(info) &
      (GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST)) {
    writer->m_wrote = true;
    return GST_PAD_PROBE_OK;
  }
  if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) != GST_EVENT_EOS) return GST_PAD_PROBE_OK;
  writer->m_eos = true;
  writer->NotifyStreamListener();
  return GST_PAD_PROBE_OK;
}

HRESULT FileWriterFilter::GetCurFile(std::string* path) {
  if (!path) return E_POINTER;
  *path = m_windowsPath;
  return S_OK;
}

void FileWriterFilter::Rearm() {
  m_eos = false;
  m_wrote = false;
}

bool FileWriterFilter::StillOwnsFile() const {
  return m_wrote.load() && StillAt(m_device, m_inode);
}

bool FileWriterFilter::StillAt(dev_t device, ino_t inode) const {
  struct stat st;
  return ::lstat(m_hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == device &&
         st.st_ino == inode;
}

bool RecordingInProgress(const std::string& hostPath) {
  const int fd = ::open(hostPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);
  return locked;
}

}  // namespace dshow
