// The video compressor a capture stream can pass on its way to the
// multiplexer (internal): it brings the stream to a chosen coding, full
// frames (the camera's raw frames; a Motion JPEG camera's are decoded to
// YUY2) or Motion JPEG, and states the frame rate asked for, at which the
// multiplexer writes the file (avimuxfilter.h).
//
// Bin: identity [! jpegdec ! videoconvert ! capsfilter (YUY2) | ! jpegenc];
// the coding elements are chosen when the input is linked, from what the
// camera delivers, and only where a change is needed.
#pragma once

#include "platform/dshow/filterbase.h"

namespace dshow {

enum class VideoCompression { kFullFrames, kMotionJpeg };

class VideoCompressorFilter : public FilterBase {
 public:
  // rateNumerator / rateDenominator frames per second, both above 0. Null
  // when they are not, or an element is missing.
  static Ref<VideoCompressorFilter> Create(VideoCompression compression, int rateNumerator,
                                           int rateDenominator);

  HRESULT PrepareInput(Pin& input, Pin& upstream) override;
  void InputDisconnected(Pin& input) override;
  MajorType OutputMajorType(const Pin&) const override { return MajorType::Video; }
  std::optional<VideoFormat> OutputVideoFormat(const Pin& output) const override;

 private:
  VideoCompressorFilter(VideoCompression compression, int rateNumerator, int rateDenominator);
  void RemoveCoding();

  VideoCompression m_compression;
  int m_rateNumerator, m_rateDenominator;
  std::optional<VideoFormat> m_input;
  GstElement* m_entry = nullptr;
  std::vector<GstElement*> m_coding;
};

}  // namespace dshow
