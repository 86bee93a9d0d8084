// Video and audio formats as the capture layer keeps them, with their
// conversions to media types (AM_MEDIA_TYPE) and to GStreamer caps.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/dshow/dshowtypes.h"
#include "platform/dshow/gstref.h"

namespace dshow {

struct VideoFormat {
  SubType subtype = SubType::YUY2;  // YUY2 or MJPG
  int width = 640;
  int height = 480;
  REFERENCE_TIME avgTimePerFrame = 666666;  // 100 ns units: 15 fps

  bool operator==(const VideoFormat&) const = default;
};

struct AudioFormat {
  int samplesPerSec = 22050;
  int bitsPerSample = 16;  // 8 or 16
  int channels = 1;

  bool operator==(const AudioFormat&) const = default;
};

// A new media type (task memory; DeleteMediaType frees it).
AM_MEDIA_TYPE* ToMediaType(const VideoFormat& format);
AM_MEDIA_TYPE* ToMediaType(const AudioFormat& format);
// Reads a media type back; nothing when it is not of that kind or malformed.
std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& type);
std::optional<AudioFormat> AudioFormatOf(const AM_MEDIA_TYPE& type);

// Caps for a format. The frame rate is the exact fraction
// 10^7 / avgTimePerFrame, reduced.
gst::Caps ToCaps(const VideoFormat& format);
gst::Caps ToCaps(const AudioFormat& format);

// The formats a device offers.
struct VideoFormatRange {
  SubType subtype;
  int width, height;
  int minFps, maxFps;  // whole frames per second, inclusive
};
bool Offers(const std::vector<VideoFormatRange>& ranges, const VideoFormat& format);

// The virtual camera's list: YUY2 and MJPG at the common USB sizes, 5 to 30 fps.
std::vector<VideoFormatRange> VirtualCameraFormats();
// The virtual microphone's list: PCM 8000 to 48000 Hz, 8/16 bits, mono/stereo.
std::vector<AudioFormat> VirtualMicrophoneFormats();

std::string Describe(const VideoFormat& format);  // "640x480 YUY2 15.00 fps"
std::string Describe(const AudioFormat& format);  // "22050 Hz 16 bit mono"

}  // namespace dshow
