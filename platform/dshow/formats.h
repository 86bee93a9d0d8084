// Video and audio formats as the capture layer keeps them, with their
// conversions to media types (AM_MEDIA_TYPE) and to GStreamer caps, and the
// rules that meet a real camera: what it offers, the rate it is asked for,
// and the rate a file is written at.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/dshow/dshowtypes.h"
#include "platform/dshow/gstref.h"

namespace dshow {

struct VideoFormat {
  SubType subtype = SubType::YUY2;  // MJPG or a raw format (IsRawVideo)
  int width = 640;
  int height = 480;
  REFERENCE_TIME avgTimePerFrame = 666666;  // 100 ns units: 15 fps, as asked for

  bool operator==(const VideoFormat&) const = default;
};

struct AudioFormat {
  int samplesPerSec = 22050;
  int bitsPerSample = 16;  // 8 or 16
  int channels = 1;

  bool operator==(const AudioFormat&) const = default;
};

// A frame rate as cameras state it: numerator / denominator frames per second.
struct Fraction {
  int num = 0;
  int den = 1;
  bool operator==(const Fraction&) const = default;
  double value() const { return den > 0 ? static_cast<double>(num) / den : 0.0; }
};

// The raw subtypes the layer knows by name (GStreamer's format string, the
// FOURCC a file states and the bits per pixel); null for MJPG and unknowns.
struct RawVideoInfo {
  SubType subtype;
  const char* gstFormat;
  DWORD fourcc;  // BI_RGB for the RGB ones
  WORD bitCount;
};
const RawVideoInfo* RawVideo(SubType subtype);
const RawVideoInfo* RawVideoByName(const char* gstFormat);
bool IsRawVideo(SubType subtype);
const char* SubTypeName(SubType subtype);  // "YUY2", "MJPG", "NV12", ...
// The video subtype SubTypeName names; Unknown for any other text.
SubType SubTypeNamed(const std::string& name);
// The bytes of one uncompressed frame (biSizeImage); for MJPG the bound a
// frame stays within (24 bits per pixel).
DWORD FrameBytes(SubType subtype, int width, int height);

// A new media type (task memory; DeleteMediaType frees it).
AM_MEDIA_TYPE* ToMediaType(const VideoFormat& format);
AM_MEDIA_TYPE* ToMediaType(const AudioFormat& format);
// Reads a media type back; nothing when it is not of that kind or malformed.
std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& type);
std::optional<AudioFormat> AudioFormatOf(const AM_MEDIA_TYPE& type);

// One size of one subtype that a device offers, with its rates: a list
// (fastest first), or a range when the device takes any rate in it.
struct VideoFormatRange {
  SubType subtype = SubType::YUY2;
  int width = 0, height = 0;
  std::vector<Fraction> rates;
  Fraction minRate, maxRate;  // a range, used when rates is empty

  // The rate it offers nearest to fps (a range gives fps itself, clamped).
  Fraction NearestRate(double fps) const;
};

// What a device's caps offer, as the format page lists it: one entry per
// subtype and size. Sizes given as ranges become the common capture sizes
// inside them, plus the largest; formats the layer does not know are left out.
std::vector<VideoFormatRange> FormatsFromCaps(const GstCaps* caps);
// The entry for format's subtype and size, if offered.
const VideoFormatRange* FindOffered(const std::vector<VideoFormatRange>& ranges,
                                    const VideoFormat& format);
bool Offers(const std::vector<VideoFormatRange>& ranges, const VideoFormat& format);

// The rate a file is written at for a frame duration: a camera's nominal
// rate (n/1 or n*1000/1001) when the duration is within a hair of one
// (666666 and 667111 are 15/1), else 10^7 / duration exactly.
Fraction StandardRate(REFERENCE_TIME avgTimePerFrame);

// Caps for a camera's source: format's subtype and size at rate.
gst::Caps CameraCaps(const VideoFormat& format, Fraction rate);
// Caps for raw audio in format.
gst::Caps ToCaps(const AudioFormat& format);

// The virtual microphone's list: PCM 8000 to 48000 Hz, 8/16 bits, mono/stereo.
std::vector<AudioFormat> VirtualMicrophoneFormats();

std::string Describe(const VideoFormat& format);  // "640x480 YUY2 15.00 fps"
std::string Describe(const AudioFormat& format);  // "22050 Hz 16 bit mono"

}  // namespace dshow
