// Reads an AVI file's headers and indexes the way a reader that trusts them
// would, and checks every statement against the chunks the file holds
// (tests only). Where ffprobe and ffmpeg read a file in order and forgive,
// this looks where seeking players and Windows' AVI readers look: the
// stream headers and formats, avih, idx1, the super-indexes (indx) and the
// standard indexes (ix##).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane::test {

struct AviChunk {
  std::string id;
  std::uint64_t offset = 0;  // of the chunk header in the file
  std::uint32_t size = 0;    // of the payload
};

struct AviStreamInfo {
  std::string type;     // "vids", "auds"
  std::string handler;  // strh fccHandler
  std::uint32_t scale = 0, rate = 0, length = 0, suggestedBuffer = 0;
  // strf: video
  std::string compression;  // biCompression as four characters ("YUY2", "MJPG")
  std::int32_t width = 0, height = 0;
  std::uint16_t bitCount = 0;
  std::uint32_t sizeImage = 0;
  // strf: audio
  std::uint16_t formatTag = 0, channels = 0, blockAlign = 0, bitsPerSample = 0;
  std::uint32_t samplesPerSec = 0, avgBytesPerSec = 0;
  // indx
  std::string superIndexChunkId;
  std::vector<AviChunk> superIndex;  // offset/size of each ix## chunk
};

struct AviFileInfo {
  bool read = false;  // the file could be walked at all
  std::string error;
  std::uint32_t microSecPerFrame = 0, totalFrames = 0, streamCount = 0, suggestedBuffer = 0;
  std::vector<AviStreamInfo> streams;
  std::vector<AviChunk> chunks;      // the data chunks of every movi list, in order
  std::vector<std::uint64_t> movis;  // file offset of each movi list's "movi"
  std::vector<AviChunk> idx1;        // offset relative to the first "movi"
  std::vector<AviChunk> indexChunks;  // every ix## chunk (offset of its header)
};

AviFileInfo ReadAviFile(const std::string& hostPath);

// Every way the headers and indexes disagree with the data, one line each;
// empty when they all tell the truth.
std::vector<std::string> AviHeaderProblems(const std::string& hostPath);

}  // namespace orvane::test
