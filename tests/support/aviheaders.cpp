#include "tests/support/aviheaders.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>

namespace orvane::test {

namespace {

class Reader {
 public:
  explicit Reader(const std::string& path) : m_in(path, std::ios::binary) {
    m_in.seekg(0, std::ios::end);
    m_size = m_in ? static_cast<std::uint64_t>(m_in.tellg()) : 0;
  }
  std::uint64_t size() const { return m_size; }
  bool Bytes(std::uint64_t at, void* out, std::size_t n) {
    if (at + n > m_size) return false;
    m_in.clear();
    m_in.seekg(static_cast<std::streamoff>(at));
    return static_cast<bool>(m_in.read(static_cast<char*>(out), static_cast<std::streamsize>(n)));
  }
  std::string Id(std::uint64_t at) {
    char id[4] = {};
    return Bytes(at, id, 4) ? std::string(id, 4) : std::string();
  }
  std::uint32_t U32(std::uint64_t at) {
    unsigned char b[4] = {};
    Bytes(at, b, 4);
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
  }
  std::uint16_t U16(std::uint64_t at) {
    unsigned char b[2] = {};
    Bytes(at, b, 2);
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
  }
  std::uint64_t U64(std::uint64_t at) { return U32(at) | std::uint64_t{U32(at + 4)} << 32; }

 private:
  std::ifstream m_in;
  std::uint64_t m_size = 0;
};

std::uint64_t Next(std::uint64_t at, std::uint32_t size) { return at + 8 + size + (size & 1); }

void ReadStrl(Reader& r, std::uint64_t at, std::uint64_t end, AviStreamInfo* s) {
  while (at + 8 <= end) {
    const std::string id = r.Id(at);
    const std::uint32_t size = r.U32(at + 4);
    const std::uint64_t data = at + 8;
    if (id == "strh") {
      s->type = r.Id(data);
      s->handler = r.Id(data + 4);
      s->scale = r.U32(data + 20);
      s->rate = r.U32(data + 24);
      s->length = r.U32(data + 32);
      s->suggestedBuffer = r.U32(data + 36);
    } else if (id == "strf" && s->type == "vids") {
      s->width = static_cast<std::int32_t>(r.U32(data + 4));
      s->height = static_cast<std::int32_t>(r.U32(data + 8));
      s->bitCount = r.U16(data + 14);
      s->compression = r.Id(data + 16);
      s->sizeImage = r.U32(data + 20);
    } else if (id == "strf" && s->type == "auds") {
      s->formatTag = r.U16(data);
      s->channels = r.U16(data + 2);
      s->samplesPerSec = r.U32(data + 4);
      s->avgBytesPerSec = r.U32(data + 8);
      s->blockAlign = r.U16(data + 12);
      s->bitsPerSample = r.U16(data + 14);
    } else if (id == "indx") {
      const std::uint32_t used = r.U32(data + 4);
      s->superIndexChunkId = r.Id(data + 8);
      for (std::uint32_t i = 0; i < used && data + 24 + (i + 1) * 16 <= at + 8 + size; ++i)
        s->superIndex.push_back({"", r.U64(data + 24 + i * 16), r.U32(data + 24 + i * 16 + 8)});
    }
    at = Next(at, size);
  }
}

void ReadMovi(Reader& r, std::uint64_t at, std::uint64_t end, AviFileInfo* info) {
  while (at + 8 <= end) {
    const std::string id = r.Id(at);
    const std::uint32_t size = r.U32(at + 4);
    if (id.size() == 4 && id[0] == 'i' && id[1] == 'x')
      info->indexChunks.push_back({id, at, size});
    else if (id != "LIST" && id != "JUNK")
      info->chunks.push_back({id, at, size});
    at = Next(at, size);
  }
}

bool IsRaw(const std::string& compression) {
  static const char* raw[] = {"YUY2", "UYVY", "YVYU", "I420", "YV12", "NV12", "Y800"};
  return std::string(4, '\0') == compression ||
         std::find(std::begin(raw), std::end(raw), compression) != std::end(raw);
}

}  // namespace

AviFileInfo ReadAviFile(const std::string& hostPath) {
  AviFileInfo info;
  Reader r(hostPath);
  std::uint64_t at = 0;
  bool first = true;
  while (at + 12 <= r.size() && r.Id(at) == "RIFF") {
    const std::uint64_t end = std::min(r.size(), at + 8 + r.U32(at + 4));
    if (first && r.Id(at + 8) != "AVI ") break;
    for (std::uint64_t c = at + 12; c + 8 <= end;) {
      const std::string id = r.Id(c);
      const std::uint32_t size = r.U32(c + 4);
      const std::uint64_t cEnd = std::min<std::uint64_t>(end, c + 8 + size);
      if (id == "LIST" && r.Id(c + 8) == "hdrl") {
        for (std::uint64_t h = c + 12; h + 8 <= cEnd;) {
          const std::uint32_t hSize = r.U32(h + 4);
          if (r.Id(h) == "avih") {
            info.microSecPerFrame = r.U32(h + 8);
            info.totalFrames = r.U32(h + 8 + 16);
            info.streamCount = r.U32(h + 8 + 24);
            info.suggestedBuffer = r.U32(h + 8 + 28);
          } else if (r.Id(h) == "LIST" && r.Id(h + 8) == "strl") {
            info.streams.emplace_back();
            ReadStrl(r, h + 12, std::min<std::uint64_t>(cEnd, h + 8 + hSize), &info.streams.back());
          }
          h = Next(h, hSize);
        }
      } else if (id == "LIST" && r.Id(c + 8) == "movi") {
        info.movis.push_back(c + 8);
        ReadMovi(r, c + 12, cEnd, &info);
      } else if (id == "idx1") {
        for (std::uint64_t e = c + 8; e + 16 <= cEnd; e += 16)
          info.idx1.push_back({r.Id(e), r.U32(e + 8), r.U32(e + 12)});
      }
      c = Next(c, size);
    }
    first = false;
    at = Next(at, r.U32(at + 4));
  }
  info.read = !info.streams.empty() && !info.movis.empty();
  if (!info.read) info.error = "no AVI headers or no movi list";
  return info;
}

std::vector<std::string> AviHeaderProblems(const std::string& hostPath) {
  const AviFileInfo info = ReadAviFile(hostPath);
  if (!info.read) return {info.error};
  std::vector<std::string> problems;
  auto problem = [&problems](const std::string& text) { problems.push_back(text); };
  Reader r(hostPath);
  if (info.streamCount != info.streams.size()) problem("avih says " + std::to_string(info.streamCount) + " streams");
  const std::uint64_t firstPartEnd = 8 + std::uint64_t{r.U32(4)};

  for (std::size_t n = 0; n < info.streams.size(); ++n) {
    const AviStreamInfo& s = info.streams[n];
    char prefix[8];
    std::snprintf(prefix, sizeof prefix, "%02u", static_cast<unsigned>(n % 100));
    const std::string name = "stream " + std::string(prefix) + " ";
    std::vector<AviChunk> chunks;
    std::uint64_t bytes = 0, largest = 0, inFirstPart = 0;
    for (const AviChunk& c : info.chunks)
      if (c.id.compare(0, 2, prefix) == 0) {
        chunks.push_back(c);
        bytes += c.size;
        largest = std::max<std::uint64_t>(largest, c.size);
        inFirstPart += c.offset < firstPartEnd;
      }
    if (s.suggestedBuffer < largest) problem(name + "suggests a buffer smaller than a chunk");
    std::string id;
    if (s.type == "vids") {
      const bool raw = IsRaw(s.compression);
      id = std::string(prefix) + (raw ? "db" : "dc");
      if (s.length != chunks.size())
        problem(name + "length " + std::to_string(s.length) + " for " + std::to_string(chunks.size()) + " frames");
      if (n == 0 && info.totalFrames != inFirstPart)
        problem("avih counts " + std::to_string(info.totalFrames) + " frames, the first part holds " + std::to_string(inFirstPart));
      if (s.rate == 0 || std::llabs(std::llround(1e6 * s.scale / s.rate) - info.microSecPerFrame) > 1)
        problem("avih's frame time does not match the video rate");
      if (s.compression != s.handler && s.compression != std::string(4, '\0'))
        problem(name + "handler " + s.handler + " for " + s.compression);
      if (raw && std::any_of(chunks.begin(), chunks.end(), [&](const AviChunk& c) { return c.size != s.sizeImage; }))
        problem(name + "biSizeImage " + std::to_string(s.sizeImage) + " is not the frame size");
      if (!raw && s.sizeImage < largest) problem(name + "biSizeImage is smaller than a frame");
    } else if (s.type == "auds") {
      id = std::string(prefix) + "wb";
      if (s.blockAlign == 0 || s.avgBytesPerSec == 0 || s.rate == 0) {
        problem(name + "has no block size or rate");
      } else {
        if (bytes % s.blockAlign) problem(name + "holds a partial block");
        const double stated = static_cast<double>(s.length) * s.scale / s.rate;
        const double held = static_cast<double>(bytes) / s.avgBytesPerSec;
        if (std::fabs(stated - held) > 0.001)
          problem(name + "length says " + std::to_string(stated) + " s, it holds " + std::to_string(held) + " s");
      }
    }
    if (std::any_of(chunks.begin(), chunks.end(), [&](const AviChunk& c) { return c.id != id; }))
      problem(name + "chunks are not all " + id);

    // The super-index points at standard indexes of this stream, which
    // point at its chunks, every one.
    if (!s.superIndex.empty() && s.superIndexChunkId != id) problem(name + "indx names " + s.superIndexChunkId);
    std::size_t indexed = 0;
    for (const AviChunk& entry : s.superIndex) {
      if (r.Id(entry.offset).compare(0, 2, "ix") != 0 || r.U32(entry.offset + 4) + 8 != entry.size) {
        problem(name + "super-index entry at " + std::to_string(entry.offset) + " names no index chunk");
        continue;
      }
      const std::uint64_t data = entry.offset + 8;
      if (r.Id(data + 8) != id) problem(name + "index chunk names " + r.Id(data + 8));
      const std::uint32_t used = r.U32(data + 4);
      const std::uint64_t base = r.U64(data + 12);
      for (std::uint32_t i = 0; i < used; ++i) {
        const std::uint64_t chunk = base + r.U32(data + 24 + i * 8) - 8;
        const std::uint32_t size = r.U32(data + 24 + i * 8 + 4) & 0x7FFFFFFF;
        if (r.Id(chunk) != id || r.U32(chunk + 4) != size) {
          problem(name + "standard index entry " + std::to_string(i) + " misses its chunk");
          break;
        }
      }
      indexed += used;
    }
    if (!s.superIndex.empty() && indexed != chunks.size())
      problem(name + "standard indexes list " + std::to_string(indexed) + " of " + std::to_string(chunks.size()) + " chunks");
  }

  // idx1: every chunk of the first part, each entry naming its chunk.
  if (!info.idx1.empty()) {
    std::size_t dataChunks = 0;
    for (const AviChunk& c : info.chunks) dataChunks += c.offset < firstPartEnd;
    if (info.idx1.size() != dataChunks)
      problem("idx1 lists " + std::to_string(info.idx1.size()) + " of " + std::to_string(dataChunks) + " chunks");
    // Offsets count from the first "movi", as the format defines them, or
    // from the file's start, as some writers have it: readers take the
    // first entry's word for which, and so does this.
    const std::uint64_t base =
        !info.idx1.empty() && r.Id(info.idx1[0].offset) == info.idx1[0].id ? 0 : info.movis.front();
    for (std::size_t i = 0; i < info.idx1.size(); ++i) {
      const AviChunk& e = info.idx1[i];
      const std::uint64_t chunk = base + e.offset;
      if (r.Id(chunk) != e.id || r.U32(chunk + 4) != e.size) {
        problem("idx1 entry " + std::to_string(i) + " misses its chunk");
        break;
      }
    }
  }
  return problems;
}

}  // namespace orvane::test
