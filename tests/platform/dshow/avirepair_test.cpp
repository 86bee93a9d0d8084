#include "platform/dshow/avirepair.h"

#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dshow/gstref.h"
#include "tests/support/aviheaders.h"
#include "tests/support/ffprobe.h"
#include "tests/support/makeavi.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using namespace dshow;
namespace fs = std::filesystem;

namespace {

using i64 = std::int64_t;

// Where things are in a file the multiplexer finished: the test's own walk,
// so the cuts below land where they are meant to.
struct Layout {
  i64 secondPart = -1;         // RIFF AVIX
  i64 firstIndex = -1;         // the first part's ix00
  i64 oldIndex = -1;           // idx1
  i64 lastIndex = -1;          // the last part's ix00
  std::vector<i64> frameEnds;  // end of every video chunk, in order
};

std::uint32_t U32(std::ifstream& in, i64 at) {
  std::uint32_t v = 0;
  in.seekg(at);
  in.read(reinterpret_cast<char*>(&v), 4);
  return v;
}

void WalkMovi(std::ifstream& in, i64 from, i64 end, Layout* layout, i64* firstIx) {
  for (i64 at = from; at + 8 <= end;) {
    const std::uint32_t id = U32(in, at), size = U32(in, at + 4);
    const std::string name(reinterpret_cast<const char*>(&id), 4);
    if (name == "00db") layout->frameEnds.push_back(at + 8 + size);
    if (name.starts_with("ix") && *firstIx < 0) *firstIx = at;
    at += 8 + size + (size & 1);
  }
}

Layout LayoutOf(const std::string& path) {
  Layout layout;
  std::ifstream in(path, std::ios::binary);
  const i64 size = static_cast<i64>(fs::file_size(path));
  for (i64 part = 0; part + 12 <= size;) {
    const i64 end = part + 8 + U32(in, part + 4);
    i64 at = part + 12;
    while (at + 12 <= end) {
      const std::uint32_t id = U32(in, at), chunk = U32(in, at + 4);
      if (std::string(reinterpret_cast<const char*>(&id), 4) == "idx1") layout.oldIndex = at;
      if (U32(in, at + 8) == 0x69766f6d /* movi */)
        WalkMovi(in, at + 12, at + 8 + chunk, &layout,
                 part == 0 ? &layout.firstIndex : &layout.lastIndex);
      at += 8 + chunk + (chunk & 1);
    }
    if (part > 0) break;
    layout.secondPart = end;
    part = end;
  }
  return layout;
}

long FramesBefore(const Layout& layout, i64 cut) {
  long n = 0;
  for (i64 end : layout.frameEnds) n += end <= cut;
  return n;
}

std::string Bytes(const std::string& path) { return orvane::test::ReadHostFile(path); }

}  // namespace

TEST(AviRepair, AnOpenDmlFileKeepsEveryCompletePartWhereverItWasCut) {
  orvane::test::TempPrefix prefix;
  const std::string file = prefix.path("big.avi");
  ASSERT_TRUE(orvane::test::MakeAvi(file, 1280, 720, 650));  // 1.2 GB: a first part and an AVIX part
  const Layout layout = LayoutOf(file);
  ASSERT_GT(layout.secondPart, 0);
  ASSERT_GT(layout.lastIndex, layout.secondPart);
  ASSERT_EQ(layout.frameEnds.size(), 650u);
  EXPECT_EQ(RepairAvi(file).status, AviRepairStatus::kClean) << "a finished file is left alone";

  // Each cut lies before the last one, so the bytes before it are as written.
  const struct {
    const char* where;
    i64 cut;
  } cuts[] = {
      {"inside the last index", layout.lastIndex + 100},
      {"inside the second part's data", (layout.secondPart + layout.lastIndex) / 2},
      {"at the part boundary, the next part's header cut off", layout.secondPart + 10},
      {"inside the first part's old index", layout.oldIndex + 50},
      {"inside the first part's data", layout.firstIndex - 1000000},
      {"after a few frames", 8000000},
  };
  for (const auto& c : cuts) {
    SCOPED_TRACE(c.where);
    fs::resize_file(file, static_cast<std::uintmax_t>(c.cut));
    const AviRepairResult repair = RepairAvi(file);
    ASSERT_EQ(repair.status, AviRepairStatus::kRepaired) << repair.detail;
    const long frames = FramesBefore(layout, c.cut);
    EXPECT_EQ(repair.videoFrames, frames);
    const orvane::test::ProbeResult probe = orvane::test::Probe(file);
    ASSERT_TRUE(probe.ok) << probe.errors;
    ASSERT_EQ(probe.streams.size(), 2u);
    EXPECT_EQ(probe.streams[0].frames, frames);
    EXPECT_EQ(probe.streams[0].headerFrames, frames);
    EXPECT_GT(probe.streams[1].frames, 0) << "the sound is kept too";
    std::string errors;
    EXPECT_TRUE(orvane::test::DecodesCleanly(file, &errors)) << errors;
    // Every rebuilt index entry names its chunk: idx1, indx, ix##.
    EXPECT_EQ(orvane::test::AviHeaderProblems(file), std::vector<std::string>{});
    EXPECT_EQ(RepairAvi(file).status, AviRepairStatus::kClean) << "once is enough";
  }
}

TEST(AviRepair, ForeignAndHostileFilesAreLeftAlone) {
  orvane::test::TempPrefix prefix;
  const std::string good = prefix.path("good.avi");
  ASSERT_TRUE(orvane::test::MakeAvi(good, 160, 120, 10));
  const std::string avi = Bytes(good);
  auto withU32 = [&](i64 at, std::uint32_t value) {
    std::string bytes = avi;
    bytes.replace(static_cast<std::size_t>(at), 4, reinterpret_cast<const char*>(&value), 4);
    return bytes;
  };
  const std::size_t movi = avi.find("movi") + 4;
  auto set32 = [](std::string& bytes, std::size_t at, std::uint32_t value) {
    bytes.replace(at, 4, reinterpret_cast<const char*>(&value), 4);
  };
  auto u32 = [](const std::string& bytes, std::size_t at) {
    std::uint32_t v;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
  };
  // The headers of a recording with its first stream's list repeated
  // `extra` times, cut off after 4 MB of empty chunks: a crafted file whose
  // index would be three times its size and cost a walk per stream.
  auto emptyChunks = [&](int extra) {
    std::string head = avi.substr(0, movi);
    const std::size_t strl = head.find("strl") - 8;
    const std::string list = head.substr(strl, 8 + u32(head, strl + 4));
    for (int i = 0; i < extra; ++i) head.insert(strl, list);
    set32(head, 16, u32(head, 16) + static_cast<std::uint32_t>(extra * list.size()));  // hdrl
    std::string bytes = head;
    bytes.reserve(head.size() + (4u << 20));
    while (bytes.size() < head.size() + (4u << 20)) bytes += std::string("01wb\0\0\0\0", 8);
    return bytes;
  };
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"4 MB of empty chunks", emptyChunks(0)},
      {"a hundred streams", emptyChunks(98)},
      {"empty", ""},
      {"text", "not a recording at all\n"},
      {"a WAVE file", "RIFF\x24\0\0\0WAVEfmt " + std::string(40, '\0')},
      {"headers cut off", avi.substr(0, 200)},
      {"header list longer than the file", withU32(16, 0x7FFFFFF0)},
      {"avih shorter than its fields", withU32(28, 8)},
      {"no movi list", avi.substr(0, avi.find("LIST", 24 + 8 + 56))},
      // Whole by its sizes, with a chunk of a stream the headers do not name:
      // not the repair's to cut, and certainly not to cut short.
      {"a chunk the repair does not know",
       [&] {
         std::string bytes = avi;
         bytes.replace(bytes.find("00db", bytes.find("movi")), 4, "07db");
         return bytes;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = prefix.path("foreign.avi");
    orvane::test::WriteHostFile(path, c.bytes);
    EXPECT_EQ(RepairAvi(path).status, AviRepairStatus::kRefused);
    EXPECT_EQ(Bytes(path), c.bytes) << "never made larger or mangled";
  }
  // Nothing but regular files; a FIFO does not even block the check.
  ASSERT_EQ(::mkfifo(prefix.path("pipe.avi").c_str(), 0644), 0);
  EXPECT_EQ(RepairAvi(prefix.path("pipe.avi")).status, AviRepairStatus::kRefused);
  EXPECT_EQ(RepairAvi(prefix.path("missing.avi")).status, AviRepairStatus::kRefused);
  EXPECT_EQ(RepairAvi(good).status, AviRepairStatus::kClean);
  EXPECT_EQ(Bytes(good), avi);
  orvane::test::WriteHostFile(good, avi + std::string("JUNK\4\0\0\0pad!", 12));
  EXPECT_EQ(RepairAvi(good).status, AviRepairStatus::kClean) << "padding after the last part";
}
