// Makes the AVI bytes GStreamer's avimux writes state the truth, on their
// way to the file (internal).
//
// avimux gives every video stream the uncompressed chunk id "##db", also
// Motion JPEG, and states biSizeImage as width x height whatever the
// format (half a YUY2 frame). Readers that trust the headers (players that
// seek by the index, Windows' AVI readers) then misread the file. The
// patcher sits on the multiplexer's source pad and rewrites, for each video
// stream it is told of:
// - the chunk headers of compressed frames to "##dc";
// - the ids in idx1, the standard indexes (ix##) and the super-index (indx)
//   to match, and idx1's offsets to count from the first "movi", as the
//   format defines them (avimux counts from the start of the file);
// - biSizeImage in the stream format (strf) to the frame's real size (for
//   Motion JPEG the bound its frames stay within).
// It follows avimux's output as a sequence of pushes: the header (whole,
// at the start and again at the end), then per chunk an 8-byte chunk header
// followed by the payload and its pad byte, the index chunks and the idx1
// header and entries. Payload bytes are never touched. Streaming thread of
// the multiplexer only, once set up.
#pragma once

#include <gst/gst.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/dshow/dshowtypes.h"

namespace dshow {

class AviStreamPatcher {
 public:
  struct VideoStream {
    bool compressed = false;
    DWORD sizeImage = 0;
  };

  // Installs the patcher on pad (the multiplexer's source pad); it lives as
  // long as the probe.
  static AviStreamPatcher* Install(GstPad* pad);

  // Video stream number (the order avimux numbers its video pads in) and
  // what it carries. GUI thread, before the stream runs.
  void SetVideoStream(int number, VideoStream stream);
  void ClearVideoStreams();

 private:
  static GstPadProbeReturn OnBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);
  bool Patch(GstBuffer** buffer);
  const VideoStream* Video(int number) const;
  bool PatchHeader(std::uint8_t* data, std::size_t size);
  void PatchIndexEntries(std::uint8_t* data, std::size_t size);
  bool PatchChunkId(std::uint8_t* id) const;

  std::mutex m_lock;
  std::vector<VideoStream> m_video;  // guarded by m_lock
  // The streaming thread's place in avimux's output.
  std::uint64_t m_payloadLeft = 0;  // chunk payload (and pad byte) still to pass
  std::uint64_t m_idx1Left = 0;     // idx1 entry bytes still to come
  std::uint64_t m_idx1Done = 0;     // idx1 entry bytes seen
  std::uint32_t m_moviOffset = 0;   // file offset of the first "movi", from the header
};

}  // namespace dshow
