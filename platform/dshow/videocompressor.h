// The video compressor a capture stream can pass on its way to the
// multiplexer (internal): it brings the stream to a chosen frame rate and to
// a chosen coding, full frames (the camera's YUY2) or Motion JPEG.
//
// Bin: videorate ! capsfilter (rate) [! jpegdec ! videoconvert ! capsfilter
// (YUY2) | ! jpegenc]; the coding elements are chosen when the input is
// linked, from what the camera delivers, and only where a change is needed.
#pragma once

#include <atomic>

#include "platform/dshow/filterbase.h"

namespace dshow {

enum class VideoCompression { kFullFrames, kMotionJpeg };

class VideoCompressorFilter : public FilterBase {
 public:
  // rateNumerator / rateDenominator frames per second, both above 0. Null
  // when they are not, or an element is missing.
  static Ref<VideoCompressorFilter> Create(VideoCompression compression, int rateNumerator,
                                           int rateDenominator);
  ~VideoCompressorFilter() override;

  HRESULT PrepareInput(Pin& input, Pin& upstream) override;
  void InputDisconnected(Pin& input) override;
  MajorType OutputMajorType(const Pin&) const override { return MajorType::Video; }
  std::optional<VideoFormat> OutputVideoFormat(const Pin& output) const override;

  // Frames that have left the filter since it was linked; any thread.
  unsigned long framesOut() const { return m_frames.load(); }

 private:
  VideoCompressorFilter(VideoCompression compression, int rateNumerator, int rateDenominator);
  void RemoveCoding();
  static GstPadProbeReturn OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer self);

  VideoCompression m_compression;
  int m_rateNumerator, m_rateDenominator;
  std::optional<VideoFormat> m_input;
  GstElement* m_rate = nullptr;
  GstElement* m_rateCaps = nullptr;
  std::vector<GstElement*> m_coding;
  std::atomic<unsigned long> m_frames{0};
  gulong m_probe = 0;
};

}  // namespace dshow
