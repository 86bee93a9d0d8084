#include "platform/dshow/formats.h"

#include <cstdio>
#include <cstring>
#include <numeric>

namespace dshow {

AM_MEDIA_TYPE* ToMediaType(const VideoFormat& format) {
  VIDEOINFOHEADER vih{};
  vih.rcSource = {0, 0, format.width, format.height};
  vih.rcTarget = vih.rcSource;
  vih.AvgTimePerFrame = format.avgTimePerFrame;
  BITMAPINFOHEADER& bmi = vih.bmiHeader;
  bmi.biSize = sizeof(BITMAPINFOHEADER);
  bmi.biWidth = format.width;
  bmi.biHeight = format.height;
  bmi.biPlanes = 1;
  const bool yuy2 = format.subtype == SubType::YUY2;
  bmi.biBitCount = yuy2 ? 16 : 24;
  bmi.biCompression = yuy2 ? kFourccYUY2 : kFourccMJPG;
  bmi.biSizeImage = static_cast<DWORD>(format.width * format.height * (yuy2 ? 2 : 3));
  if (format.avgTimePerFrame > 0)
    vih.dwBitRate = static_cast<DWORD>(bmi.biSizeImage * 8ull * 10000000ull /
                                       static_cast<unsigned long long>(format.avgTimePerFrame));

  AM_MEDIA_TYPE type{};
  type.majortype = MajorType::Video;
  type.subtype = format.subtype;
  type.bFixedSizeSamples = yuy2 ? TRUE : FALSE;
  type.bTemporalCompression = FALSE;
  type.lSampleSize = yuy2 ? bmi.biSizeImage : 0;
  type.formattype = FormatType::VideoInfo;
  type.pbFormat = reinterpret_cast<BYTE*>(&vih);
  type.cbFormat = sizeof vih;
  return CreateMediaType(type);
}

AM_MEDIA_TYPE* ToMediaType(const AudioFormat& format) {
  WAVEFORMATEX wfx{};
  wfx.wFormatTag = WAVE_FORMAT_PCM;
  wfx.nChannels = static_cast<WORD>(format.channels);
  wfx.nSamplesPerSec = static_cast<DWORD>(format.samplesPerSec);
  wfx.wBitsPerSample = static_cast<WORD>(format.bitsPerSample);
  wfx.nBlockAlign = static_cast<WORD>(format.channels * format.bitsPerSample / 8);
  wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
  wfx.cbSize = 0;
  AM_MEDIA_TYPE type{};
  type.majortype = MajorType::Audio;
  type.subtype = SubType::PCM;
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = wfx.nBlockAlign;
  type.formattype = FormatType::WaveFormatEx;
  type.pbFormat = reinterpret_cast<BYTE*>(&wfx);
  type.cbFormat = sizeof wfx;
  return CreateMediaType(type);
}

std::optional<VideoFormat> VideoFormatOf(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MajorType::Video || type.formattype != FormatType::VideoInfo ||
      !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER))
    return std::nullopt;
  VIDEOINFOHEADER vih;
  std::memcpy(&vih, type.pbFormat, sizeof vih);
  VideoFormat format;
  if (vih.bmiHeader.biCompression == kFourccYUY2)
    format.subtype = SubType::YUY2;
  else if (vih.bmiHeader.biCompression == kFourccMJPG)
    format.subtype = SubType::MJPG;
  else
    return std::nullopt;
  format.width = vih.bmiHeader.biWidth;
  format.height = vih.bmiHeader.biHeight < 0 ? -vih.bmiHeader.biHeight : vih.bmiHeader.biHeight;
  format.avgTimePerFrame = vih.AvgTimePerFrame;
  if (format.width <= 0 || format.height <= 0 || format.avgTimePerFrame <= 0) return std::nullopt;
  return format;
}

std::optional<AudioFormat> AudioFormatOf(const AM_MEDIA_TYPE& type) {
  if (type.formattype != FormatType::WaveFormatEx || !type.pbFormat ||
      type.cbFormat < sizeof(WAVEFORMATEX))
    return std::nullopt;
  WAVEFORMATEX wfx;
  std::memcpy(&wfx, type.pbFormat, sizeof wfx);
  if (wfx.wFormatTag != WAVE_FORMAT_PCM) return std::nullopt;
  return AudioFormat{static_cast<int>(wfx.nSamplesPerSec), wfx.wBitsPerSample, wfx.nChannels};
}

gst::Caps ToCaps(const VideoFormat& format) {
  gst::EnsureInitialised();
  long long num = 10000000, den = format.avgTimePerFrame > 0 ? format.avgTimePerFrame : 666666;
  long long g = std::gcd(num, den);
  num /= g;
  den /= g;
  GstCaps* caps;
  if (format.subtype == SubType::MJPG)
    caps = gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, format.width, "height",
                               G_TYPE_INT, format.height, "framerate", GST_TYPE_FRACTION,
                               static_cast<int>(num), static_cast<int>(den), nullptr);
  else
    caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", "width", G_TYPE_INT,
                               format.width, "height", G_TYPE_INT, format.height, "framerate",
                               GST_TYPE_FRACTION, static_cast<int>(num), static_cast<int>(den),
                               "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
  return gst::Caps(caps);
}

gst::Caps ToCaps(const AudioFormat& format) {
  gst::EnsureInitialised();
  return gst::Caps(gst_caps_new_simple(
      "audio/x-raw", "format", G_TYPE_STRING, format.bitsPerSample == 8 ? "U8" : "S16LE", "rate",
      G_TYPE_INT, format.samplesPerSec, "channels", G_TYPE_INT, format.channels, "layout",
      G_TYPE_STRING, "interleaved", nullptr));
}

bool Offers(const std::vector<VideoFormatRange>& ranges, const VideoFormat& format) {
  if (format.avgTimePerFrame <= 0) return false;
  const double fps = 1e7 / static_cast<double>(format.avgTimePerFrame);
  for (const VideoFormatRange& r : ranges) {
    // A hair of tolerance: 666667 (14.99999 fps) is a 15 fps request.
    if (r.subtype == format.subtype && r.width == format.width && r.height == format.height &&
        fps >= r.minFps - 0.01 && fps <= r.maxFps + 0.01)
      return true;
  }
  return false;
}

std::vector<VideoFormatRange> VirtualCameraFormats() {
  static const int sizes[][2] = {{160, 120}, {176, 144}, {320, 240}, {352, 288},
                                 {640, 480}, {800, 600}, {1280, 720}};
  std::vector<VideoFormatRange> ranges;
  for (SubType subtype : {SubType::YUY2, SubType::MJPG})
    for (const auto& size : sizes) ranges.push_back({subtype, size[0], size[1], 5, 30});
  return ranges;
}

std::vector<AudioFormat> VirtualMicrophoneFormats() {
  std::vector<AudioFormat> formats;
  for (int rate : {8000, 11025, 16000, 22050, 32000, 44100, 48000})
    for (int bits : {8, 16})
      for (int channels : {1, 2}) formats.push_back({rate, bits, channels});
  return formats;
}

std::string Describe(const VideoFormat& format) {
  char text[96];
  std::snprintf(
      text, sizeof text, "%dx%d %s %.2f fps", format.width, format.height,
      format.subtype == SubType::MJPG ? "MJPG" : "YUY2",
      format.avgTimePerFrame > 0 ? 1e7 / static_cast<double>(format.avgTimePerFrame) : 0.0);
  return text;
}

std::string Describe(const AudioFormat& format) {
  char text[64];
  std::snprintf(text, sizeof text, "%d Hz %d bit %s", format.samplesPerSec, format.bitsPerSample,
                format.channels == 1 ? "mono" : "stereo");
  return text;
}

}  // namespace dshow
