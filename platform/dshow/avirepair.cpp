#include "platform/dshow/avirepair.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace dshow {

namespace {

using u32 = std::uint32_t;

u32 Fourcc(const char* s) {
  return static_cast<u32>(static_cast<unsigned char>(s[0])) |
         static_cast<u32>(static_cast<unsigned char>(s[1])) << 8 |
         static_cast<u32>(static_cast<unsigned char>(s[2])) << 16 |
         static_cast<u32>(static_cast<unsigned char>(s[3])) << 24;
}

struct File {
  int fd = -1;
  off_t size = 0;
  ~File() {
    if (fd >= 0) ::close(fd);
  }
  bool Read(off_t at, void* out, std::size_t n) const {
    return at >= 0 && at + static_cast<off_t>(n) <= size &&
           ::pread(fd, out, n, at) == static_cast<ssize_t>(n);
  }
  bool ReadU32(off_t at, u32* value) const { return Read(at, value, 4); }
  bool WriteU32(off_t at, u32 value) const { return ::pwrite(fd, &value, 4, at) == 4; }
};

struct StreamHeader {
  off_t strh = -1;  // offset of the strh chunk's data
  off_t indx = -1;  // offset of the indx chunk's data
  bool video = false;
  u32 sampleSize = 0;
  unsigned long long bytes = 0;
  long chunks = 0;
};

struct IndexEntry {
  u32 id, flags, offset, size;
};

}  // namespace

AviRepairResult RepairTruncatedAvi(const std::string& hostPath) {
  AviRepairResult result;
  File f;
  f.fd = ::open(hostPath.c_str(), O_RDWR | O_CLOEXEC);
  struct stat st;
  if (f.fd < 0 || ::fstat(f.fd, &st) != 0) return result;
  f.size = st.st_size;
  u32 riff, type;
  if (!f.ReadU32(0, &riff) || riff != Fourcc("RIFF") || !f.ReadU32(8, &type) ||
      type != Fourcc("AVI "))
    return result;

  // Walk the top level: hdrl (headers), movi (data).
  off_t avih = -1, dmlh = -1, movi = -1;
  std::vector<StreamHeader> streams;
  off_t at = 12;
  while (at + 8 <= f.size) {
    u32 id, size;
    if (!f.ReadU32(at, &id) || !f.ReadU32(at + 4, &size)) break;
    if (id == Fourcc("LIST")) {
      u32 list;
      if (!f.ReadU32(at + 8, &list)) break;
      if (list == Fourcc("movi")) {
        movi = at;
        break;
      }
      if (list == Fourcc("hdrl")) {
        // Inside the headers: avih, one strl per stream, odml.
        off_t end = at + 8 + size, h = at + 12;
        while (h + 8 <= end && h + 8 <= f.size) {
          u32 hid, hsize;
          if (!f.ReadU32(h, &hid) || !f.ReadU32(h + 4, &hsize)) break;
          if (hid == Fourcc("avih")) avih = h + 8;
          if (hid == Fourcc("LIST")) {
            u32 sub;
            f.ReadU32(h + 8, &sub);
            off_t s = h + 12, send = h + 8 + hsize;
            if (sub == Fourcc("strl")) streams.emplace_back();
            while (s + 8 <= send && s + 8 <= f.size) {
              u32 sid, ssize;
              if (!f.ReadU32(s, &sid) || !f.ReadU32(s + 4, &ssize)) break;
              if (sub == Fourcc("strl") && sid == Fourcc("strh")) {
                streams.back().strh = s + 8;
                u32 kind = 0;
                f.ReadU32(s + 8, &kind);
                streams.back().video = kind == Fourcc("vids");
                f.ReadU32(s + 8 + 44, &streams.back().sampleSize);
              }
              if (sub == Fourcc("strl") && sid == Fourcc("indx")) streams.back().indx = s + 8;
              if (sub == Fourcc("odml") && sid == Fourcc("dmlh")) dmlh = s + 8;
              s += 8 + ((ssize + 1) & ~1u);
            }
          }
          h += 8 + ((hsize + 1) & ~1u);
        }
      }
    }
    at += 8 + ((size + 1) & ~1u);
  }
  if (movi < 0 || avih < 0) return result;

  // Keep the complete chunks of the data list; the first one cut off ends it.
  std::vector<IndexEntry> index;
  off_t end = movi + 12, p = movi + 12;
  while (p + 8 <= f.size) {
    u32 id, size;
    if (!f.ReadU32(p, &id) || !f.ReadU32(p + 4, &size)) break;
    const off_t next = p + 8 + ((size + 1) & ~1u);
    if (next > f.size) break;
    if (id == Fourcc("LIST")) {  // a 'rec ' group or the next RIFF part: stop there
      break;
    }
    const char* c = reinterpret_cast<const char*>(&id);
    const unsigned stream = static_cast<unsigned>((c[0] - '0') * 10 + (c[1] - '0'));
    if (c[0] >= '0' && c[0] <= '9' && c[1] >= '0' && c[1] <= '9' && stream < streams.size()) {
      streams[stream].chunks++;
      streams[stream].bytes += size;
      index.push_back({id, 0x10 /* key frame */, static_cast<u32>(p - (movi + 8)), size});
    } else if (id != Fourcc("JUNK") && c[0] != 'i' && c[0] != 'J') {
      break;  // not a chunk we know: the data is damaged from here
    }
    end = next;
    p = next;
  }
  if (::ftruncate(f.fd, end) != 0) return result;
  f.size = end;

  // Sizes and counts that match what is left.
  f.WriteU32(movi + 4, static_cast<u32>(end - movi - 8));
  long frames = 0;
  for (const StreamHeader& s : streams) {
    if (s.strh < 0) continue;
    const u32 length = s.video        ? static_cast<u32>(s.chunks)
                       : s.sampleSize ? static_cast<u32>(s.bytes / s.sampleSize)
                                      : static_cast<u32>(s.chunks);
    f.WriteU32(s.strh + 32, length);
    if (s.video && !frames) frames = s.chunks;
    // The extended index names chunks that are gone; an empty one is honest.
    if (s.indx >= 0) f.WriteU32(s.indx + 4, 0);
  }
  f.WriteU32(avih + 16, static_cast<u32>(frames));
  if (dmlh >= 0) f.WriteU32(dmlh, static_cast<u32>(frames));

  // An old-style index where the disk still has room; without one the file
  // says so, and readers scan the data instead.
  u32 flags = 0;
  f.ReadU32(avih + 12, &flags);
  const u32 kHasIndex = 0x10;
  std::vector<unsigned char> idx1(8 + index.size() * sizeof(IndexEntry));
  const u32 idxId = Fourcc("idx1"), idxSize = static_cast<u32>(index.size() * sizeof(IndexEntry));
  std::memcpy(idx1.data(), &idxId, 4);
  std::memcpy(idx1.data() + 4, &idxSize, 4);
  if (!index.empty()) std::memcpy(idx1.data() + 8, index.data(), idxSize);
  if (::pwrite(f.fd, idx1.data(), idx1.size(), end) == static_cast<ssize_t>(idx1.size())) {
    result.indexWritten = true;
    f.size = end + static_cast<off_t>(idx1.size());
    flags |= kHasIndex;
  } else {
    if (::ftruncate(f.fd, end) != 0) return result;
    flags &= ~kHasIndex;
  }
  f.WriteU32(avih + 12, flags);
  f.WriteU32(4, static_cast<u32>(f.size - 8));
  ::fsync(f.fd);
  result.repaired = true;
  result.videoFrames = frames;
  return result;
}

}  // namespace dshow
