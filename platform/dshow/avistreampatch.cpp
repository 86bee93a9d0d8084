#include "platform/dshow/avistreampatch.h"

#include <cstring>

namespace dshow {

namespace {

std::uint32_t U32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool Is(const std::uint8_t* p, const char* fourcc) { return std::memcmp(p, fourcc, 4) == 0; }

// "NNdb", "NNdc", "NNwb", "NNpc": a stream's chunk id; its number or -1.
int StreamNumber(const std::uint8_t* id) {
  if (id[0] < '0' || id[0] > '9' || id[1] < '0' || id[1] > '9') return -1;
  const bool known = (id[2] == 'd' && (id[3] == 'b' || id[3] == 'c')) ||
                     (id[2] == 'w' && id[3] == 'b') || (id[2] == 'p' && id[3] == 'c');
  return known ? (id[0] - '0') * 10 + (id[1] - '0') : -1;
}

constexpr std::size_t kIdx1Entry = 16;
constexpr std::size_t kStrfSizeImage = 8 + 20;  // chunk header, then BITMAPINFOHEADER
constexpr std::size_t kIndxChunkId = 8 + 8;     // chunk header, then 8 bytes, then dwChunkId

}  // namespace

AviStreamPatcher* AviStreamPatcher::Install(GstPad* pad) {
  auto* patcher = new AviStreamPatcher();
  gst_pad_add_probe(
      pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      &AviStreamPatcher::OnBuffer, patcher,
      [](gpointer data) { delete static_cast<AviStreamPatcher*>(data); });
  return patcher;
}

void AviStreamPatcher::SetVideoStream(int number, VideoStream stream) {
  std::lock_guard guard(m_lock);
  if (number < 0) return;
  if (static_cast<std::size_t>(number) >= m_video.size()) m_video.resize(number + 1);
  m_video[number] = stream;
}

void AviStreamPatcher::ClearVideoStreams() {
  std::lock_guard guard(m_lock);
  m_video.clear();
  m_payloadLeft = m_idx1Left = m_idx1Done = 0;
}

const AviStreamPatcher::VideoStream* AviStreamPatcher::Video(int number) const {
  if (number < 0 || static_cast<std::size_t>(number) >= m_video.size()) return nullptr;
  return &m_video[number];
}

GstPadProbeReturn AviStreamPatcher::OnBuffer(GstPad*, GstPadProbeInfo* info, gpointer data) {
  auto* self = static_cast<AviStreamPatcher*>(data);
  if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
    // A new file, or a jump to rewrite a header: no chunk is under way.
    const GstEventType type = GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info));
    if (type == GST_EVENT_STREAM_START || type == GST_EVENT_SEGMENT) {
      std::lock_guard guard(self->m_lock);
      self->m_payloadLeft = self->m_idx1Left = 0;
    }
    return GST_PAD_PROBE_OK;
  }
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  if (self->Patch(&buffer)) GST_PAD_PROBE_INFO_DATA(info) = buffer;
  return GST_PAD_PROBE_OK;
}

// Rewrites a video chunk id of a compressed stream from "##db" to "##dc";
// whether it changed.
bool AviStreamPatcher::PatchChunkId(std::uint8_t* id) const {
  const int number = StreamNumber(id);
  const VideoStream* video = Video(number);
  if (!video || !video->compressed || id[2] != 'd' || id[3] != 'b') return false;
  id[3] = 'c';
  return true;
}

void AviStreamPatcher::PatchIndexEntries(std::uint8_t* data, std::size_t size) {
  // avimux pushes the entries in one buffer, whole.
  for (std::size_t i = 0; i + kIdx1Entry <= size; i += kIdx1Entry) {
    PatchChunkId(data + i);
    // The offsets count from the "movi" of the first movi list; avimux
    // writes them from the start of the file.
    const std::uint32_t offset = U32(data + i + 8);
    if (m_moviOffset > 0 && offset >= m_moviOffset) PutU32(data + i + 8, offset - m_moviOffset);
  }
  m_idx1Done += size;
}

bool AviStreamPatcher::PatchHeader(std::uint8_t* data, std::size_t size) {
  // RIFF "AVI " LIST hdrl { avih, LIST strl { strh strf [indx] ... } ... } ...
  bool changed = false;
  if (size < 24 || !Is(data + 12, "LIST") || !Is(data + 20, "hdrl")) return false;
  // The header ends where the first movi list's data begins.
  if (size >= 36 && Is(data + size - 12, "LIST") && Is(data + size - 4, "movi"))
    m_moviOffset = static_cast<std::uint32_t>(size - 4);
  const std::size_t hdrlEnd = std::min<std::size_t>(size, 20 + std::size_t{U32(data + 16)});
  int stream = -1;
  std::size_t at = 24;
  while (at + 8 <= hdrlEnd) {
    const std::uint32_t chunkSize = U32(data + at + 4);
    if (Is(data + at, "LIST") && at + 12 <= hdrlEnd && Is(data + at + 8, "strl")) {
      ++stream;
      bool video = false;
      const std::size_t strlEnd = std::min<std::size_t>(hdrlEnd, at + 8 + std::size_t{chunkSize});
      std::size_t in = at + 12;
      while (in + 8 <= strlEnd) {
        const std::uint32_t inSize = U32(data + in + 4);
        if (Is(data + in, "strh") && in + 12 <= strlEnd) video = Is(data + in + 8, "vids");
        // Video streams are numbered first, in their order.
        const VideoStream* info = video ? Video(stream) : nullptr;
        if (info && Is(data + in, "strf") && in + kStrfSizeImage + 4 <= strlEnd &&
            U32(data + in + kStrfSizeImage) != info->sizeImage) {
          PutU32(data + in + kStrfSizeImage, info->sizeImage);
          changed = true;
        }
        if (info && Is(data + in, "indx") && in + kIndxChunkId + 4 <= strlEnd)
          changed = PatchChunkId(data + in + kIndxChunkId) || changed;
        in += 8 + std::size_t{inSize} + (inSize & 1);
      }
    }
    at += 8 + std::size_t{chunkSize} + (chunkSize & 1);
  }
  return changed;
}

bool AviStreamPatcher::Patch(GstBuffer** buffer) {
  std::lock_guard guard(m_lock);
  const std::size_t size = gst_buffer_get_size(*buffer);
  if (m_payloadLeft > 0) {  // a frame or a sample block: never touched
    m_payloadLeft -= std::min<std::uint64_t>(m_payloadLeft, size);
    return false;
  }
  std::uint8_t head[12] = {};
  const std::size_t headSize = gst_buffer_extract(*buffer, 0, head, sizeof head);
  enum class Kind { kNone, kChunkHeader, kIdx1Entries, kIndexChunk, kHeader } kind = Kind::kNone;
  if (m_idx1Left > 0) {
    kind = Kind::kIdx1Entries;
  } else if (size == 8 && StreamNumber(head) >= 0) {
    const std::uint32_t payload = U32(head + 4);
    m_payloadLeft = std::uint64_t{payload} + (payload & 1);
    const VideoStream* video = Video(StreamNumber(head));
    if (!video || !video->compressed || head[2] != 'd' || head[3] != 'b') return false;
    kind = Kind::kChunkHeader;
  } else if (size == 8 && Is(head, "idx1")) {
    m_idx1Left = U32(head + 4);
    m_idx1Done = 0;
    return false;
  } else if (headSize >= 4 && head[0] == 'i' && head[1] == 'x' && size >= kIndxChunkId + 4) {
    if (m_video.empty()) return false;
    kind = Kind::kIndexChunk;
  } else if (headSize == 12 && Is(head, "RIFF") && Is(head + 8, "AVI ")) {
    kind = Kind::kHeader;
  }
  if (kind == Kind::kNone) return false;

  *buffer = gst_buffer_make_writable(*buffer);
  GstMapInfo map;
  if (!gst_buffer_map(*buffer, &map, GST_MAP_READWRITE)) return true;
  switch (kind) {
    case Kind::kChunkHeader: PatchChunkId(map.data); break;
    case Kind::kIdx1Entries:
      if (m_video.empty() && m_moviOffset == 0) break;
      PatchIndexEntries(map.data, map.size);
      m_idx1Left -= std::min<std::uint64_t>(m_idx1Left, map.size);
      break;
    case Kind::kIndexChunk: PatchChunkId(map.data + kIndxChunkId); break;
    case Kind::kHeader: PatchHeader(map.data, map.size); break;
    case Kind::kNone: break;
  }
  gst_buffer_unmap(*buffer, &map);
  return true;
}

}  // namespace dshow
