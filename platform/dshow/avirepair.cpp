#include "platform/dshow/avirepair.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace dshow {

namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
using i64 = std::int64_t;

constexpr u32 Fourcc(const char (&s)[5]) {
  return static_cast<u32>(static_cast<u8>(s[0])) | static_cast<u32>(static_cast<u8>(s[1])) << 8 |
         static_cast<u32>(static_cast<u8>(s[2])) << 16 |
         static_cast<u32>(static_cast<u8>(s[3])) << 24;
}

constexpr u32 kRiff = Fourcc("RIFF"), kList = Fourcc("LIST"), kAvi = Fourcc("AVI "),
              kAvix = Fourcc("AVIX"), kHdrl = Fourcc("hdrl"), kMovi = Fourcc("movi"),
              kStrl = Fourcc("strl"), kOdml = Fourcc("odml"), kAvih = Fourcc("avih"),
              kStrh = Fourcc("strh"), kIndx = Fourcc("indx"), kDmlh = Fourcc("dmlh"),
              kIdx1 = Fourcc("idx1"), kJunk = Fourcc("JUNK"), kVids = Fourcc("vids"),
              kStrf = Fourcc("strf");

// Offsets of the fields the repair sets, in the chunks' data.
constexpr i64 kAvihFlags = 12, kAvihTotalFrames = 16, kAvihSuggestedBuffer = 28, kAvihSize = 56;
constexpr i64 kStrhLength = 32, kStrhSuggestedBuffer = 36, kStrhSampleSize = 44, kStrhMinSize = 48;
constexpr i64 kStrfCompression = 16, kStrfSizeImage = 20, kStrfMinSize = 40;

// Uncompressed video: every frame has the size biSizeImage states.
bool IsRawVideo(u32 compression) {
  constexpr u32 raw[] = {Fourcc("YUY2"), Fourcc("UYVY"), Fourcc("YVYU"), Fourcc("I420"),
                         Fourcc("YV12"), Fourcc("NV12"), Fourcc("Y800"), 0 /* BI_RGB */};
  return std::find(std::begin(raw), std::end(raw), compression) != std::end(raw);
}
constexpr i64 kIndxHeader = 24, kIndxEntry = 16;
constexpr u32 kHasIndex = 0x10;
constexpr u32 kKeyFrame = 0x10;
// A recording holds a picture and perhaps its sound; a file of more streams
// is no recording of ours, and each stream costs a walk of the chunks.
constexpr std::size_t kMaxStreams = 2;
// The indexes a repair adds may grow the file by this share at most: a
// recording's chunks are frames and sound blocks, never thousands of empty
// chunks that would make the index several times the data.
constexpr i64 kMaxGrowthDivisor = 10;
// 4 TiB in parts of 1 GiB; a file of more parts (each may be 24 bytes) is
// no recording, and would cost memory in proportion.
constexpr std::size_t kMaxParts = 4096;
// What one super-index check reads at most.
constexpr u32 kMaxSuperIndexEntries = 65536;
constexpr i64 kMaxPartSize = 0xFFFFFFFFLL;

i64 Padded(u32 size) { return static_cast<i64>(size) + (size & 1); }

class AviFile {
 public:
  ~AviFile() {
    if (m_fd >= 0) ::close(m_fd);
  }
  bool Open(const std::string& path, std::string* why) {
    m_fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW);
    struct stat st;
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) {
      *why = std::strerror(errno);
      return false;
    }
    if (!S_ISREG(st.st_mode)) {
      *why = "not a regular file";
      return false;
    }
    m_size = st.st_size;
    return true;
  }
  i64 size() const { return m_size; }

  // Reads go through a window of the file, so walking chunk headers costs a
  // system call per window, not per field.
  bool Read(i64 at, void* out, std::size_t n) const {
    if (at < 0 || at + static_cast<i64>(n) > m_size) return false;
    if (n > sizeof m_window) return ::pread(m_fd, out, n, at) == static_cast<ssize_t>(n);
    if (at < m_windowAt || at + static_cast<i64>(n) > m_windowAt + m_windowSize) {
      ssize_t got;
      do {
        got = ::pread(m_fd, m_window, sizeof m_window, at);
      } while (got < 0 && errno == EINTR);
      m_windowAt = at;
      m_windowSize = std::max<i64>(got, 0);
      if (m_windowSize < static_cast<i64>(n)) return false;
    }
    std::memcpy(out, m_window + (at - m_windowAt), n);
    return true;
  }
  std::optional<u32> U32(i64 at) const {
    u32 value;
    if (!Read(at, &value, 4)) return std::nullopt;
    return value;
  }
  bool Write(i64 at, const void* data, std::size_t n) {
    m_windowSize = 0;
    const char* bytes = static_cast<const char*>(data);
    while (n > 0) {
      ssize_t done = ::pwrite(m_fd, bytes, n, at);
      if (done < 0 && errno == EINTR) continue;
      if (done <= 0) return false;
      bytes += done, at += done, n -= static_cast<std::size_t>(done);
    }
    if (at > m_size) m_size = at;
    return true;
  }
  bool WriteU32(i64 at, u32 value) { return Write(at, &value, 4); }
  bool Truncate(i64 size) {
    m_windowSize = 0;
    if (::ftruncate(m_fd, size) != 0) return false;
    m_size = size;
    return true;
  }
  bool Sync() const { return ::fsync(m_fd) == 0; }

 private:
  int m_fd = -1;
  i64 m_size = 0;
  mutable char m_window[1 << 16];
  mutable i64 m_windowAt = 0, m_windowSize = 0;
};

// Appends little-endian fields and flushes to the file in large writes, so
// an index of any length costs a fixed amount of memory.
class Appender {
 public:
  Appender(AviFile& file, i64 at) : m_file(file), m_at(at) {}
  void U16(u16 v) { Bytes(&v, 2); }
  void U32(u32 v) { Bytes(&v, 4); }
  void U64(u64 v) { Bytes(&v, 8); }
  void Bytes(const void* data, std::size_t n) {
    const char* p = static_cast<const char*>(data);
    m_buffer.insert(m_buffer.end(), p, p + n);
    if (m_buffer.size() >= (1u << 16)) Flush();
  }
  bool Flush() {
    if (!m_ok || m_buffer.empty()) return m_ok;
    m_ok = m_file.Write(m_at, m_buffer.data(), m_buffer.size());
    m_at += static_cast<i64>(m_buffer.size());
    m_buffer.clear();
    return m_ok;
  }
  i64 end() const { return m_at + static_cast<i64>(m_buffer.size()); }

 private:
  AviFile& m_file;
  i64 m_at;
  std::vector<char> m_buffer;
  bool m_ok = true;
};

struct Stream {
  i64 strh = -1;  // data offsets
  i64 indx = -1;
  int indxCapacity = 0;
  bool video = false;
  u32 sampleSize = 0;
  u32 chunkId = 0;  // the id its data chunks carry, once seen
  i64 strf = -1;     // video: the BITMAPINFOHEADER of an uncompressed stream
  u32 largest = 0;   // the largest chunk it holds
  u32 frameSize = 0;  // uncompressed video: the size of its frames, all alike
};

// What one part's movi list holds, per stream.
struct PartStream {
  long chunks = 0;
  u64 bytes = 0;
  i64 ix = -1;  // offset of its standard index chunk
  u32 ixSize = 0;
};

struct Part {
  i64 start = 0;    // the RIFF header
  i64 movi = 0;     // the movi LIST header
  i64 dataEnd = 0;  // end of the last chunk kept in movi
  i64 end = 0;      // end of the part once repaired
  bool whole = false;
  bool sizesWrong = false;  // whole, but its RIFF and movi sizes were never written
  bool hasIdx1 = false;
  std::vector<PartStream> streams;  // one per stream of the headers
};

struct Chunk {
  i64 at;
  u32 id, size;
};

class Repair {
 public:
  explicit Repair(AviFile& file) : m_f(file) {}

  AviRepairResult Run() {
    AviRepairResult result;
    if (!ReadHeaders(&result.detail)) {
      result.status = AviRepairStatus::kRefused;
      return result;
    }
    WalkParts();
    result.parts = static_cast<int>(m_parts.size());
    if (m_foreign) {
      result.status = AviRepairStatus::kRefused;
      result.detail = "it holds chunks or parts this repair does not know";
      return result;
    }
    result.videoFrames = TotalVideoFrames();
    if (!CutOff()) {
      result.status = AviRepairStatus::kClean;
      result.indexWritten = true;
      return result;
    }
    if (IndexBytes() > m_f.size() / kMaxGrowthDivisor) {
      result.status = AviRepairStatus::kRefused;
      result.detail = "its chunks are too small for a recording";
      return result;
    }
    if (!Apply(&result)) {
      result.status = AviRepairStatus::kFailed;
      return result;
    }
    result.status = AviRepairStatus::kRepaired;
    result.parts = static_cast<int>(m_parts.size());
    result.videoFrames = TotalVideoFrames();
    return result;
  }

 private:
  // The first part's header lists: avih, the streams and odml, and where its
  // movi list starts. Everything read must lie inside the file.
  bool ReadHeaders(std::string* why) {
    if (m_f.U32(0) != kRiff || m_f.U32(8) != kAvi) {
      *why = "not an AVI file";
      return false;
    }
    for (i64 at = 12; at + 12 <= m_f.size();) {
      const u32 id = *m_f.U32(at), size = *m_f.U32(at + 4);
      const i64 next = at + 8 + Padded(size);
      if (id == kList && m_f.U32(at + 8) == kMovi) {
        m_moviAt = at;
        break;
      }
      if (next > m_f.size()) {
        *why = "headers cut off";
        return false;
      }
      if (id == kList && m_f.U32(at + 8) == kHdrl && !ReadHdrl(at + 12, at + 8 + size)) {
        *why = m_otherStreams ? "more streams than a picture and its sound" : "headers damaged";
        return false;
      }
      at = next;
    }
    if (m_avih < 0 || m_moviAt < 0 || m_streams.empty()) {
      *why = "no headers or no movi list";
      return false;
    }
    return true;
  }

  bool ReadHdrl(i64 at, i64 end) {
    for (; at + 8 <= end;) {
      const u32 id = *m_f.U32(at), size = *m_f.U32(at + 4);
      if (at + 8 + size > end) return false;
      if (id == kAvih) {
        if (size < kAvihSize) return false;
        m_avih = at + 8;
      } else if (id == kList && size >= 4) {
        const u32 list = *m_f.U32(at + 8);
        if (list == kStrl) {
          if (m_streams.size() >= kMaxStreams) return !(m_otherStreams = true);
          m_streams.emplace_back();
        }
        if ((list == kStrl || list == kOdml) && !ReadSubList(list, at + 12, at + 8 + size))
          return false;
      }
      at += 8 + Padded(size);
    }
    int videos = 0;
    for (const Stream& s : m_streams) {
      if (s.strh < 0) return false;
      videos += s.video;
    }
    m_otherStreams = videos > 1 || static_cast<std::size_t>(videos) + 1 < m_streams.size();
    return !m_otherStreams;
  }

  bool ReadSubList(u32 list, i64 at, i64 end) {
    for (; at + 8 <= end;) {
      const u32 id = *m_f.U32(at), size = *m_f.U32(at + 4);
      if (at + 8 + size > end) return false;
      if (list == kStrl && id == kStrh) {
        if (size < kStrhMinSize) return false;
        Stream& s = m_streams.back();
        s.strh = at + 8;
        s.video = m_f.U32(at + 8) == kVids;
        s.sampleSize = *m_f.U32(at + 8 + kStrhSampleSize);
      } else if (list == kStrl && id == kStrf && size >= kStrfMinSize && m_streams.back().video) {
        if (IsRawVideo(m_f.U32(at + 8 + kStrfCompression).value_or(1))) m_streams.back().strf = at + 8;
      } else if (list == kStrl && id == kIndx && size >= kIndxHeader) {
        u16 longsPerEntry = 0;
        m_f.Read(at + 8, &longsPerEntry, 2);
        // Only a super-index of 4-long entries is ours to rewrite.
        if (longsPerEntry == 4) {
          m_streams.back().indx = at + 8;
          m_streams.back().indxCapacity = static_cast<int>((size - kIndxHeader) / kIndxEntry);
        }
      } else if (list == kOdml && id == kDmlh && size >= 4) {
        m_dmlh = at + 8;
      }
      at += 8 + Padded(size);
    }
    return true;
  }

  // The stream a data chunk id names ("01wb" is stream 1), or -1.
  int StreamOf(u32 id) const {
    const char c0 = static_cast<char>(id & 0xFF), c1 = static_cast<char>(id >> 8 & 0xFF);
    if (c0 < '0' || c0 > '9' || c1 < '0' || c1 > '9') return -1;
    const int stream = (c0 - '0') * 10 + (c1 - '0');
    return stream < static_cast<int>(m_streams.size()) ? stream : -1;
  }
  static bool IsStandardIndex(u32 id) { return (id & 0xFFFF) == (Fourcc("ix00") & 0xFFFF); }

  // Calls visit(chunk) for every complete data chunk of [from, limit) in
  // order; ends at the first chunk that is cut off or unknown. Returns where
  // the walk stopped and, in *lastData, the end of the last data chunk.
  template <typename Visit>
  i64 WalkChunks(i64 from, i64 limit, i64* lastData, Visit&& visit, Part* part = nullptr) const {
    i64 at = from;
    *lastData = from;
    while (at + 8 <= limit) {
      const u32 id = *m_f.U32(at), size = *m_f.U32(at + 4);
      const i64 next = at + 8 + Padded(size);
      if (at + 8 + size > limit) break;
      if (const int stream = StreamOf(id); stream >= 0) {
        visit(Chunk{at, id, size});
        *lastData = std::min(next, limit);
      } else if (IsStandardIndex(id)) {
        // "ix01" indexes stream 01: the digits are its upper two bytes.
        const int indexed = StreamOf(id >> 16);
        if (part && indexed >= 0) {
          part->streams[static_cast<std::size_t>(indexed)].ix = at;
          part->streams[static_cast<std::size_t>(indexed)].ixSize = size;
        }
      } else if (id != kJunk) {
        break;  // damaged from here
      }
      at = std::min(next, limit);
    }
    return at;
  }

  // Counts one part's chunks; whole when the walk reached the declared end.
  // Counts one part's chunks. A part is whole when the walk reached its
  // declared end, or, with sizes never written (a crash), when its movi list
  // (and, in the first part, idx1) is followed by the next part's header.
  void CountPart(Part& part, i64 limit, bool declaredWhole, bool first) {
    const i64 dataStart = part.movi + 12;
    i64 lastData = dataStart;
    const i64 stop = WalkChunks(
        dataStart, limit, &lastData,
        [&](const Chunk& c) {
          PartStream& ps = part.streams[static_cast<std::size_t>(StreamOf(c.id))];
          ps.chunks++;
          ps.bytes += c.size;
          Stream& s = m_streams[static_cast<std::size_t>(StreamOf(c.id))];
          if (!s.chunkId) s.chunkId = c.id;
          s.largest = std::max(s.largest, c.size);
          if (!s.frameSize) s.frameSize = c.size;
        },
        &part);
    part.whole = declaredWhole && stop == limit;
    part.dataEnd = part.whole ? limit : lastData;
    if (declaredWhole && !part.whole) {
      // Sizes that fit the file around chunks this repair does not know (a
      // "rec " list, a stream the headers do not name, damage inside):
      // nothing here is the repair's to cut.
      m_foreign = true;
      part.whole = true;
      part.dataEnd = limit;
      return;
    }
    if (part.whole) return;
    i64 next = stop;
    if (first && m_f.U32(stop) == kIdx1) {
      const i64 end = stop + 8 + Padded(m_f.U32(stop + 4).value_or(0));
      if (end > m_f.size()) return;
      part.hasIdx1 = true;
      next = end;
    }
    if (StartsPart(SkipJunk(next))) {
      part.whole = true;
      part.sizesWrong = true;
      part.dataEnd = stop;
      part.end = next;
    }
  }

  // Past any complete JUNK chunks at at (padding between parts).
  i64 SkipJunk(i64 at) const {
    while (m_f.U32(at) == kJunk) {
      const i64 next = at + 8 + Padded(m_f.U32(at + 4).value_or(0));
      if (next > m_f.size()) break;
      at = next;
    }
    return at;
  }

  // Whether an AVIX part's headers (RIFF, LIST movi) are complete at at.
  bool StartsPart(i64 at) const {
    return m_f.U32(at) == kRiff && m_f.U32(at + 8) == kAvix && m_f.U32(at + 12) == kList &&
           m_f.U32(at + 20) == kMovi;
  }

  void WalkParts() {
    // The first part.
    Part first;
    first.streams.resize(m_streams.size());
    first.start = 0;
    first.movi = m_moviAt;
    const u32 riffSize = *m_f.U32(4);
    const u32 moviSize = *m_f.U32(m_moviAt + 4);
    const i64 riffEnd = 8 + Padded(riffSize);
    const i64 moviEnd = m_moviAt + 8 + moviSize;
    const bool declared = PartEndsWell(riffEnd) && moviEnd <= riffEnd && moviSize >= 4;
    CountPart(first, declared ? moviEnd : m_f.size(), declared, true);
    if (first.whole && !first.sizesWrong) {
      // After movi: idx1, JUNK; all inside the declared part.
      for (i64 at = first.dataEnd + (first.dataEnd & 1); at + 8 <= riffEnd;) {
        const u32 id = *m_f.U32(at), size = *m_f.U32(at + 4);
        if (id == kIdx1) first.hasIdx1 = true;
        at += 8 + Padded(size);
      }
      first.end = riffEnd;
    }
    m_parts.push_back(first);
    // The parts after it, while each is whole.
    while (m_parts.back().whole && SkipJunk(m_parts.back().end) < m_f.size()) {
      const i64 at = SkipJunk(m_parts.back().end);
      if (!StartsPart(at)) break;  // a part's header cut off: it holds nothing yet
      if (m_parts.size() >= kMaxParts) {
        m_foreign = true;
        break;
      }
      Part part;
      part.streams.resize(m_streams.size());
      part.start = at;
      part.movi = at + 12;
      const i64 end = at + 8 + Padded(*m_f.U32(at + 4));
      const i64 mEnd = part.movi + 8 + *m_f.U32(at + 16);
      const bool whole = PartEndsWell(end) && mEnd <= end && *m_f.U32(at + 16) >= 4;
      CountPart(part, whole ? mEnd : m_f.size(), whole, false);
      if (part.whole && !part.sizesWrong) part.end = end;
      // A cut-off part without one complete chunk adds nothing: it goes.
      if (!part.whole && part.dataEnd == part.movi + 12) break;
      m_parts.push_back(part);
    }
    m_trailing = m_parts.back().whole && SkipJunk(m_parts.back().end) < m_f.size();
  }

  // A declared part end that fits: the file ends there or the next part
  // starts (after padding, perhaps).
  bool PartEndsWell(i64 end) const {
    if (end > m_f.size() || end < 24) return false;
    const i64 next = SkipJunk(end);
    return next == m_f.size() || m_f.U32(next) == kRiff;
  }

  long TotalVideoFrames() const {
    const int v = FirstVideo();
    long frames = 0;
    if (v < 0) return 0;
    for (const Part& p : m_parts) frames += p.streams[static_cast<std::size_t>(v)].chunks;
    return frames;
  }
  int FirstVideo() const {
    for (std::size_t i = 0; i < m_streams.size(); ++i)
      if (m_streams[i].video) return static_cast<int>(i);
    return -1;
  }

  // Cut off: a part that is not whole, bytes after the last part, or
  // headers that lie whatever multiplexer wrote them: no frame counted while
  // the file holds some (a crash), more frames counted than there are, or a
  // super-index entry past the end.
  bool CutOff() const {
    if (!m_parts.back().whole || m_trailing) return true;
    for (const Part& part : m_parts)
      if (part.sizesWrong) return true;
    const long frames = TotalVideoFrames();
    const int v = FirstVideo();
    const long firstFrames =
        v >= 0 ? m_parts.front().streams[static_cast<std::size_t>(v)].chunks : 0;
    auto lies = [&](i64 at, long truth) {
      const std::optional<u32> said = m_f.U32(at);
      return said && ((*said == 0 && truth > 0) || *said > static_cast<u64>(truth));
    };
    if (lies(m_avih + kAvihTotalFrames, firstFrames)) return true;
    if (m_dmlh >= 0 && lies(m_dmlh, frames)) return true;
    if (v >= 0 && lies(m_streams[static_cast<std::size_t>(v)].strh + kStrhLength, frames))
      return true;
    for (const Stream& s : m_streams) {
      if (s.indx < 0) continue;
      const u32 used = m_f.U32(s.indx + 4).value_or(0);
      const u32 checked = std::min({used, static_cast<u32>(s.indxCapacity), kMaxSuperIndexEntries});
      for (u32 i = 0; i < checked; ++i) {
        u64 offset = 0;
        u32 size = 0;
        m_f.Read(s.indx + kIndxHeader + i * kIndxEntry, &offset, 8);
        m_f.Read(s.indx + kIndxHeader + i * kIndxEntry + 8, &size, 4);
        if (offset + size > static_cast<u64>(m_f.size())) return true;
      }
    }
    return false;
  }

  u32 StreamLength(std::size_t s, const PartStream& ps) const {
    const Stream& stream = m_streams[s];
    if (!stream.video && stream.sampleSize) return static_cast<u32>(ps.bytes / stream.sampleSize);
    return static_cast<u32>(ps.chunks);
  }

  // New standard indexes for the last part's chunks, one per stream, at the
  // end of its movi list.
  bool WriteStandardIndexes(Part& part) {
    Appender out(m_f, part.dataEnd);
    for (std::size_t s = 0; s < m_streams.size(); ++s) {
      PartStream& ps = part.streams[s];
      ps.ix = -1;
      if (ps.chunks == 0) continue;
      ps.ix = out.end();
      ps.ixSize = static_cast<u32>(kIndxHeader + 8 * ps.chunks);
      out.U32((Fourcc("ix00") & 0xFFFFu) | static_cast<u32>('0' + s / 10) << 16 |
              static_cast<u32>('0' + s % 10) << 24);
      out.U32(ps.ixSize);
      out.U16(2);              // longs per entry
      out.Bytes("\0\x01", 2);  // sub-type 0, AVI_INDEX_OF_CHUNKS
      out.U32(static_cast<u32>(ps.chunks));
      out.U32(m_streams[s].chunkId);
      out.U64(static_cast<u64>(part.movi));  // base offset
      out.U32(0);
      i64 lastData;
      WalkChunks(part.movi + 12, part.dataEnd, &lastData, [&](const Chunk& c) {
        if (static_cast<std::size_t>(StreamOf(c.id)) != s) return;
        out.U32(static_cast<u32>(c.at + 8 - part.movi));
        out.U32(c.size);  // bit 31 clear: every frame is a key frame
      });
    }
    if (!out.Flush()) return false;
    part.end = out.end();
    return true;
  }

  // The old-style index of the first part, after its movi list.
  bool WriteOldIndex(Part& part) {
    long entries = 0;
    for (const PartStream& ps : part.streams) entries += ps.chunks;
    Appender out(m_f, part.end);
    out.U32(kIdx1);
    out.U32(static_cast<u32>(entries * 16));
    i64 lastData;
    WalkChunks(part.movi + 12, part.dataEnd, &lastData, [&](const Chunk& c) {
      out.U32(c.id);
      out.U32(kKeyFrame);
      out.U32(static_cast<u32>(c.at - (part.movi + 8)));
      out.U32(c.size);
    });
    if (!out.Flush()) return false;
    part.end = out.end();
    part.hasIdx1 = true;
    return true;
  }

  // What the indexes for the last part's chunks take: ix## per stream, and
  // idx1 when it is the first part.
  i64 IndexBytes() const {
    const Part& last = m_parts.back();
    if (last.whole) return 0;
    long entries = 0;
    for (const PartStream& ps : last.streams) entries += ps.chunks;
    return static_cast<i64>(m_streams.size()) * (8 + kIndxHeader) + 8 * entries +
           (&last == &m_parts.front() ? 8 + 16 * entries : 0);
  }

  bool Apply(AviRepairResult* result) {
    Part& last = m_parts.back();
    // RIFF sizes are 32 bits: a part that would pass 4 GiB with its indexes
    // is no part this repair can write.
    const i64 indexes = IndexBytes();
    for (const Part& part : m_parts)
      if (std::max(part.end, part.dataEnd) - part.start > kMaxPartSize)
        return Failed(result, "a part is larger than 4 GiB");
    if (!last.whole && last.dataEnd + indexes + 1 - last.start > kMaxPartSize)
      return Failed(result, "a part is larger than 4 GiB");
    // Everything after the last complete chunk goes: a cut-off chunk, a
    // half-written index, a part header without data.
    if (!last.whole) {
      if (!m_f.Truncate(last.dataEnd)) return Failed(result, "cannot shorten the file");
      // A chunk of odd size ends in a pad byte the cut may have taken.
      if (last.dataEnd & 1) {
        const char pad = 0;
        if (!m_f.Write(last.dataEnd, &pad, 1)) return Failed(result, "cannot write the file");
        ++last.dataEnd;
      }
      result->indexWritten = true;
      const i64 moviEnd = last.dataEnd;
      if (!WriteStandardIndexes(last)) {
        // No room left: the data stays, without its index.
        result->indexWritten = false;
        for (PartStream& ps : last.streams) ps.ix = -1;
        if (!m_f.Truncate(moviEnd)) return Failed(result, "cannot shorten the file");
        last.end = moviEnd;
      }
      last.dataEnd = last.end;  // the indexes belong to the movi list
      if (&last == &m_parts.front() && result->indexWritten && !WriteOldIndex(last)) {
        result->indexWritten = false;
        if (!m_f.Truncate(last.dataEnd)) return Failed(result, "cannot shorten the file");
        last.end = last.dataEnd;
      }
    } else if (m_trailing) {
      if (!m_f.Truncate(last.end)) return Failed(result, "cannot shorten the file");
      result->indexWritten = true;
    } else {
      result->indexWritten = true;
    }
    last.whole = true;

    bool ok = true;
    for (const Part& part : m_parts) {
      ok &= m_f.WriteU32(part.start + 4, static_cast<u32>(part.end - part.start - 8));
      ok &= m_f.WriteU32(part.movi + 4, static_cast<u32>(part.dataEnd - part.movi - 8));
    }
    // A reader sizes its buffers and frames by the headers: they say what
    // the file holds, also where writing stopped before they were set.
    u32 largest = m_f.U32(m_avih + kAvihSuggestedBuffer).value_or(0);
    for (std::size_t s = 0; s < m_streams.size(); ++s) {
      const Stream& stream = m_streams[s];
      u32 length = 0;
      for (const Part& part : m_parts) length += StreamLength(s, part.streams[s]);
      ok &= m_f.WriteU32(stream.strh + kStrhLength, length);
      if (m_f.U32(stream.strh + kStrhSuggestedBuffer).value_or(0) < stream.largest)
        ok &= m_f.WriteU32(stream.strh + kStrhSuggestedBuffer, stream.largest);
      largest = std::max(largest, stream.largest);
      if (stream.strf >= 0 && stream.frameSize)
        ok &= m_f.WriteU32(stream.strf + kStrfSizeImage, stream.frameSize);
      if (stream.indx >= 0) ok &= WriteSuperIndex(s);
    }
    ok &= m_f.WriteU32(m_avih + kAvihSuggestedBuffer, largest);
    const int v = FirstVideo();
    const long firstFrames =
        v >= 0 ? m_parts.front().streams[static_cast<std::size_t>(v)].chunks : 0;
    ok &= m_f.WriteU32(m_avih + kAvihTotalFrames, static_cast<u32>(firstFrames));
    if (m_dmlh >= 0) ok &= m_f.WriteU32(m_dmlh, static_cast<u32>(TotalVideoFrames()));
    u32 flags = m_f.U32(m_avih + kAvihFlags).value_or(0);
    flags = m_parts.front().hasIdx1 ? flags | kHasIndex : flags & ~kHasIndex;
    ok &= m_f.WriteU32(m_avih + kAvihFlags, flags);
    if (!ok) return Failed(result, "cannot write the headers");
    if (!m_f.Sync()) return Failed(result, "cannot flush the file");
    return true;
  }

  bool WriteSuperIndex(std::size_t s) {
    const Stream& stream = m_streams[s];
    // Entries for the parts only; those past nEntriesInUse are not read.
    const std::size_t room =
        std::min(static_cast<std::size_t>(stream.indxCapacity), m_parts.size());
    std::vector<char> entries(room * kIndxEntry, 0);
    u32 used = 0;
    for (const Part& part : m_parts) {
      const PartStream& ps = part.streams[s];
      if (ps.ix < 0 || used >= room) continue;
      char* e = entries.data() + used * kIndxEntry;
      const u64 offset = static_cast<u64>(ps.ix);
      const u32 size = ps.ixSize + 8, duration = StreamLength(s, ps);
      std::memcpy(e, &offset, 8);
      std::memcpy(e + 8, &size, 4);
      std::memcpy(e + 12, &duration, 4);
      ++used;
    }
    return m_f.WriteU32(stream.indx + 4, used) &&
           (used == 0 || m_f.Write(stream.indx + kIndxHeader, entries.data(), used * kIndxEntry));
  }

  static bool Failed(AviRepairResult* result, const char* why) {
    result->detail = why;
    return false;
  }

  AviFile& m_f;
  i64 m_avih = -1, m_dmlh = -1, m_moviAt = -1;
  std::vector<Stream> m_streams;
  std::vector<Part> m_parts;
  bool m_trailing = false;  // bytes after the last whole part
  bool m_foreign = false;   // chunks or parts the repair does not know
  bool m_otherStreams = false;  // streams no recording of ours has
};

}  // namespace

AviRepairResult RepairAvi(const std::string& hostPath) {
  AviFile file;
  AviRepairResult result;
  if (!file.Open(hostPath, &result.detail)) {
    result.status = AviRepairStatus::kRefused;
    return result;
  }
  return Repair(file).Run();
}

}  // namespace dshow
