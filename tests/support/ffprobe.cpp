#include "tests/support/ffprobe.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace orvane::test {

namespace {

// Runs a fixed command (only the file name varies, quoted) and returns its output.
std::string Run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
  }
  return out;
}

std::string Quoted(const std::string& path) {
  std::string q = "'";
  for (char c : path) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

}  // namespace

ProbeResult Probe(const std::string& hostPath) {
  ProbeResult result;
  const std::string errFile = hostPath + ".probe-errors";
  std::string out =
      Run("ffprobe -v error -count_packets -show_entries "
          "format=duration:stream=codec_type,codec_name,width,height,r_frame_rate,"
          "nb_read_packets,nb_frames,sample_rate,channels -of default=nw=0 " +
          Quoted(hostPath) + " 2>" + Quoted(errFile));
  result.errors = Run("cat " + Quoted(errFile));
  std::remove(errFile.c_str());
  std::istringstream lines(out);
  std::string line;
  ProbedStream* current = nullptr;
  while (std::getline(lines, line)) {
    if (line == "[STREAM]") {
      result.streams.emplace_back();
      current = &result.streams.back();
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string key = line.substr(0, eq), value = line.substr(eq + 1);
    if (key == "duration" && value != "N/A") result.duration = std::atof(value.c_str());
    if (!current) continue;
    if (key == "codec_type") current->codecType = value;
    if (key == "codec_name") current->codecName = value;
    if (key == "width") current->width = std::atoi(value.c_str());
    if (key == "height") current->height = std::atoi(value.c_str());
    if (key == "r_frame_rate") current->frameRate = value;
    if (key == "nb_read_packets") current->frames = std::atol(value.c_str());
    if (key == "nb_frames" && value != "N/A") current->headerFrames = std::atol(value.c_str());
    if (key == "sample_rate") current->sampleRate = std::atoi(value.c_str());
    if (key == "channels") current->channels = std::atoi(value.c_str());
  }
  result.ok = !result.streams.empty() && result.errors.empty();
  return result;
}

bool DecodesCleanly(const std::string& hostPath, std::string* errors) {
  std::string out = Run("ffmpeg -nostdin -v error -i " + Quoted(hostPath) + " -f null - 2>&1");
  if (errors) *errors = out;
  return out.empty();
}

}  // namespace orvane::test
