// What ffprobe, an outside reader, makes of a media file (tests only).
#pragma once

#include <string>
#include <vector>

namespace orvane::test {

struct ProbedStream {
  std::string codecType;  // "video", "audio"
  std::string codecName;  // "rawvideo", "mjpeg", "pcm_s16le"
  int width = 0, height = 0;
  std::string frameRate;   // r_frame_rate, e.g. "10000000/667111"
  long frames = -1;        // frames or packets actually read
  long headerFrames = -1;  // what the file's headers say (nb_frames)
  int sampleRate = 0;
  int channels = 0;
};

struct ProbeResult {
  bool ok = false;      // ffprobe ran and read the file without errors
  std::string errors;   // what ffprobe said on its error output
  double duration = 0;  // container duration, seconds
  std::vector<ProbedStream> streams;
};

ProbeResult Probe(const std::string& hostPath);
// True when ffmpeg decodes every stream of the file without an error message.
bool DecodesCleanly(const std::string& hostPath, std::string* errors = nullptr);

}  // namespace orvane::test
