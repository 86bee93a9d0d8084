#include "platform/dshow/avimuxfilter.h"

#include <sys/stat.h>

#include <cstdio>

#include "platform/dshow/faults.h"

namespace dshow {

AviMuxFilter::AviMuxFilter() : FilterBase("AVI Mux") {}

Ref<AviMuxFilter> AviMuxFilter::Create() {
  Ref<AviMuxFilter> mux(new AviMuxFilter());
  mux->Build();
  return mux;
}

void AviMuxFilter::Build() {
  m_mux = AddToBin(m_bin.get(), "avimux");
  g_object_set(m_mux, "bigfile", TRUE, nullptr);
  GstPad* src = gst_element_get_static_pad(m_mux, "src");
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

HRESULT AviMuxFilter::PrepareInput(Pin& input, Pin& upstream) {
  Ref<FilterBase> source = upstream.owner();
  if (!source) return VFW_E_CANNOT_CONNECT;
  const MajorType major = source->OutputMajorType(upstream);
  if (major != MajorType::Video && major != MajorType::Audio) return VFW_E_CANNOT_CONNECT;
  GstPad* muxPad =
      gst_element_request_pad_simple(m_mux, major == MajorType::Video ? "video_%u" : "audio_%u");
  if (!muxPad) return VFW_E_CANNOT_CONNECT;
  // Sound and picture arrive from different threads at different paces; the
  // queue lets the multiplexer interleave them without stalling either.
  GstElement* queue = AddToBin(m_bin.get(), "queue");
  g_object_set(queue, "max-size-buffers", 0u, "max-size-bytes", 0u, "max-size-time",
               guint64(5 * GST_SECOND), nullptr);
  GstPad* queueSrc = gst_element_get_static_pad(queue, "src");
  GstPad* queueSink = gst_element_get_static_pad(queue, "sink");
  const bool linked = gst_pad_link(queueSrc, muxPad) == GST_PAD_LINK_OK &&
                      gst_ghost_pad_set_target(GST_GHOST_PAD(input.pad()), queueSink);
  gst_object_unref(queueSrc);
  gst_object_unref(queueSink);
  if (!linked) {
    // Nothing of a failed input stays: no requested pad, no queue.
    gst_ghost_pad_set_target(GST_GHOST_PAD(input.pad()), nullptr);
    gst_element_release_request_pad(m_mux, muxPad);
    gst_object_unref(muxPad);
    gst_element_set_state(queue, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_bin.get()), queue);
    return VFW_E_CANNOT_CONNECT;
  }
  gst_object_unref(muxPad);
  if (GST_STATE(m_bin.get()) != GST_STATE_NULL) gst_element_sync_state_with_parent(queue);
  AddFreeInput();
  return S_OK;
}

void AviMuxFilter::InputDisconnected(Pin& input) {
  GstPad* target = gst_ghost_pad_get_target(GST_GHOST_PAD(input.pad()));
  if (!target) return;
  gst_ghost_pad_set_target(GST_GHOST_PAD(input.pad()), nullptr);
  GstElement* queue = gst_pad_get_parent_element(target);
  gst_object_unref(target);
  if (!queue) return;
  GstPad* queueSrc = gst_element_get_static_pad(queue, "src");
  if (GstPad* muxPad = gst_pad_get_peer(queueSrc)) {
    gst_pad_unlink(queueSrc, muxPad);
    gst_element_release_request_pad(m_mux, muxPad);
    gst_object_unref(muxPad);
  }
  gst_object_unref(queueSrc);
  gst_element_set_state(queue, GST_STATE_NULL);
  gst_bin_remove(GST_BIN(m_bin.get()), queue);
  gst_object_unref(queue);
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
}

void FileWriterFilter::Build() {
  m_sink = AddToBin(m_bin.get(), "filesink");
  g_object_set(m_sink, "location", m_hostPath.c_str(), "async", FALSE, "sync", FALSE, nullptr);
  gst_util_set_object_arg(G_OBJECT(m_sink), "buffer-mode", "unbuffered");
  GstPad* sinkPad = gst_element_get_static_pad(m_sink, "sink");
  gst_pad_add_probe(
      sinkPad,
      static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM | GST_PAD_PROBE_TYPE_BUFFER |
                                   GST_PAD_PROBE_TYPE_BUFFER_LIST),
      &FileWriterFilter::OnData, this, nullptr);
  AddPin(PinDirection::Input, "in", PinCategory::Capture, sinkPad);
  gst_object_unref(sinkPad);
}

GstPadProbeReturn FileWriterFilter::OnData(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* writer = static_cast<FileWriterFilter*>(data);
  if (GST_PAD_PROBE_INFO_TYPE(info) &
      (GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST)) {
    if (writer->m_wrote.load()) return GST_PAD_PROBE_OK;
    // The sink opened (and emptied) the file when it started: it is ours.
    struct stat st;
    std::lock_guard guard(writer->m_lock);
    if (::stat(writer->m_hostPath.c_str(), &st) == 0) {
      writer->m_device = st.st_dev;
      writer->m_inode = st.st_ino;
    }
    writer->m_wrote = true;
    return GST_PAD_PROBE_OK;
  }
  if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) != GST_EVENT_EOS) return GST_PAD_PROBE_OK;
  writer->m_eos = true;
  std::function<void()> listener;
  {
    std::lock_guard guard(writer->m_lock);
    listener = writer->m_listener;
  }
  if (listener) listener();
  return GST_PAD_PROBE_OK;
}

HRESULT FileWriterFilter::GetCurFile(std::string* path) {
  if (!path) return E_POINTER;
  *path = m_windowsPath;
  return S_OK;
}

void FileWriterFilter::SetEndOfStreamListener(std::function<void()> listener) {
  std::lock_guard guard(m_lock);
  m_listener = std::move(listener);
}

void FileWriterFilter::Rearm() {
  m_eos = false;
  m_wrote = false;
}

bool FileWriterFilter::StillOwnsFile() const {
  if (!m_wrote.load()) return false;
  struct stat st;
  if (::lstat(m_hostPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::lock_guard guard(m_lock);
  return st.st_dev == m_device && st.st_ino == m_inode;
}

}  // namespace dshow
