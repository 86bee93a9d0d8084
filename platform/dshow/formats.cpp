#include "platform/dshow/formats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>

namespace dshow {

namespace {

constexpr RawVideoInfo kRawVideo[] = {
    {SubType::YUY2, "YUY2", kFourccYUY2, 16},
    {SubType::UYVY, "UYVY", MakeFourcc('U', 'Y', 'V', 'Y'), 16},
    {SubType::YVYU, "YVYU", MakeFourcc('Y', 'V', 'Y', 'U'), 16},
    {SubType::NV12, "NV12", MakeFourcc('N', 'V', '1', '2'), 12},
    {SubType::NV21, "NV21", MakeFourcc('N', 'V', '2', '1'), 12},
    {SubType::I420, "I420", MakeFourcc('I', '4', '2', '0'), 12},
    {SubType::YV12, "YV12", MakeFourcc('Y', 'V', '1', '2'), 12},
    {SubType::Y800, "GRAY8", MakeFourcc('Y', '8', '0', '0'), 8},
    {SubType::RGB24, "BGR", BI_RGB, 24},
    {SubType::RGB32, "BGRx", BI_RGB, 32},
};

// Capture sizes a camera that takes a range of sizes is offered in.
constexpr int kCommonSizes[][2] = {
    {160, 120},  {176, 144},  {320, 240},   {352, 288},   {640, 360},   {640, 480},
    {800, 600},  {960, 540},  {1024, 768},  {1280, 720},  {1280, 960},  {1280, 1024},
    {1600, 1200}, {1920, 1080}, {2560, 1440}, {3840, 2160}};

// A caps field as a list of ints: a single value, a list, or a range
// (then its bounds and step, as `range`).
struct IntField {
  std::vector<int> values;
  bool range = false;
  int min = 0, max = 0, step = 1;
};

IntField ReadInt(const GstStructure* s, const char* name) {
  IntField field;
  const GValue* v = gst_structure_get_value(s, name);
  if (!v) return field;
  if (G_VALUE_HOLDS_INT(v)) {
    field.values.push_back(g_value_get_int(v));
  } else if (GST_VALUE_HOLDS_INT_RANGE(v)) {
    field.range = true;
    field.min = gst_value_get_int_range_min(v);
    field.max = gst_value_get_int_range_max(v);
    field.step = std::max(1, gst_value_get_int_range_step(v));
  } else if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i)
      if (const GValue* item = gst_value_list_get_value(v, i); G_VALUE_HOLDS_INT(item))
        field.values.push_back(g_value_get_int(item));
  }
  return field;
}

bool Accepts(const IntField& field, int value) {
  if (!field.range)
    return std::find(field.values.begin(), field.values.end(), value) != field.values.end();
  return value >= field.min && value <= field.max && (value - field.min) % field.step == 0;
}

std::vector<std::pair<int, int>> Sizes(const GstStructure* s) {
  const IntField w = ReadInt(s, "width"), h = ReadInt(s, "height");
  std::vector<std::pair<int, int>> sizes;
  if (!w.range && !h.range) {
    for (int width : w.values)
      for (int height : h.values) sizes.emplace_back(width, height);
    return sizes;
  }
  for (const auto& size : kCommonSizes)
    if (Accepts(w, size[0]) && Accepts(h, size[1])) sizes.emplace_back(size[0], size[1]);
  // The largest it takes, which is often the sensor's own size.
  const int maxW = w.range ? w.max : (w.values.empty() ? 0 : *std::max_element(w.values.begin(), w.values.end()));
  const int maxH = h.range ? h.max : (h.values.empty() ? 0 : *std::max_element(h.values.begin(), h.values.end()));
  if (maxW > 0 && maxH > 0 && maxW <= 8192 && maxH <= 8192 &&
      std::find(sizes.begin(), sizes.end(), std::make_pair(maxW, maxH)) == sizes.end())
    sizes.emplace_back(maxW, maxH);
  return sizes;
}

Fraction FractionOf(const GValue* v) {
  return {gst_value_get_fraction_numerator(v), gst_value_get_fraction_denominator(v)};
}

// Rates of a structure: a list (fastest first), or a range in min/max.
void ReadRates(const GstStructure* s, VideoFormatRange* r) {
  const GValue* v = gst_structure_get_value(s, "framerate");
  auto add = [r](Fraction f) {
    if (f.num > 0 && f.den > 0 && std::find(r->rates.begin(), r->rates.end(), f) == r->rates.end())
      r->rates.push_back(f);
  };
  if (!v) return;
  if (GST_VALUE_HOLDS_FRACTION(v)) {
    add(FractionOf(v));
  } else if (GST_VALUE_HOLDS_LIST(v)) {
    for (guint i = 0; i < gst_value_list_get_size(v); ++i)
      if (const GValue* item = gst_value_list_get_value(v, i); GST_VALUE_HOLDS_FRACTION(item))
        add(FractionOf(item));
  } else if (GST_VALUE_HOLDS_FRACTION_RANGE(v)) {
    r->minRate = FractionOf(gst_value_get_fraction_range_min(v));
    r->maxRate = FractionOf(gst_value_get_fraction_range_max(v));
    // "Any rate" ranges end at absurd values; no camera goes past 120.
    if (r->maxRate.value() > 120.0) r->maxRate = {120, 1};
    if (r->minRate.value() < 1.0) r->minRate = {1, 1};
  }
  std::sort(r->rates.begin(), r->rates.end(),
            [](Fraction a, Fraction b) { return a.value() > b.value(); });
}

Fraction Reduced(long long num, long long den) {
  const long long g = std::gcd(num, den);
  if (g > 1) {
    num /= g;
    den /= g;
  }
  while (num > INT32_MAX || den > INT32_MAX) {
    num /= 2;
    den /= 2;
  }
  return {static_cast<int>(num), static_cast<int>(std::max(1LL, den))};
}

}  // namespace

const RawVideoInfo* RawVideo(SubType subtype) {
  for (const RawVideoInfo& info : kRawVideo)
    if (info.subtype == subtype) return &info;
  return nullptr;
}

const RawVideoInfo* RawVideoByName(const char* gstFormat) {
  if (!gstFormat) return nullptr;
  for (const RawVideoInfo& info : kRawVideo)
    if (std::strcmp(info.gstFormat, gstFormat) == 0) return &info;
  return nullptr;
}

bool IsRawVideo(SubType subtype) { return RawVideo(subtype) != nullptr; }

const char* SubTypeName(SubType subtype) {
  if (subtype == SubType::MJPG) return "MJPG";
  if (subtype == SubType::RGB24) return "RGB24";
  if (subtype == SubType::RGB32) return "RGB32";
  if (subtype == SubType::Y800) return "Y800";
  const RawVideoInfo* raw = RawVideo(subtype);
  return raw ? raw->gstFormat : "?";
}

SubType SubTypeNamed(const std::string& name) {
  for (SubType subtype : {SubType::YUY2, SubType::MJPG, SubType::RGB24, SubType::RGB32, SubType::UYVY,
                          SubType::YVYU, SubType::NV12, SubType::NV21, SubType::I420, SubType::YV12,
                          SubType::Y800})
    if (name == SubTypeName(subtype)) return subtype;
  return SubType::Unknown;
}

DWORD FrameBytes(SubType subtype, int width, int height) {
  const auto w = static_cast<unsigned long long>(std::max(0, width));
  const auto h = static_cast<unsigned long long>(std::max(0, height));
  unsigned long long bytes;
  switch (subtype) {
    case SubType::NV12:
    case SubType::NV21:
    case SubType::I420:
    case SubType::YV12: bytes = w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2); break;
    case SubType::Y800: bytes = w * h; break;
    case SubType::RGB24: bytes = ((w * 3 + 3) & ~3ull) * h; break;
    case SubType::RGB32: bytes = w * 4 * h; break;
    case SubType::MJPG: bytes = w * h * 3; break;
    default: bytes = w * h * 2; break;  // the packed 4:2:2 ones
  }
  return static_cast<DWORD>(std::min<unsigned long long>(bytes, 0xFFFFFFFFull));
}

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
  const RawVideoInfo* raw = RawVideo(format.subtype);
  bmi.biBitCount = raw ? raw->bitCount : 24;
  bmi.biCompression = raw ? raw->fourcc : kFourccMJPG;
  bmi.biSizeImage = FrameBytes(format.subtype, format.width, format.height);
  if (format.avgTimePerFrame > 0)
    vih.dwBitRate = static_cast<DWORD>(std::min<unsigned long long>(
        bmi.biSizeImage * 8ull * 10000000ull / static_cast<unsigned long long>(format.avgTimePerFrame),
        0xFFFFFFFFull));

  AM_MEDIA_TYPE type{};
  type.majortype = MajorType::Video;
  type.subtype = format.subtype;
  type.bFixedSizeSamples = raw ? TRUE : FALSE;
  type.bTemporalCompression = FALSE;
  type.lSampleSize = raw ? bmi.biSizeImage : 0;
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
  const DWORD compression = vih.bmiHeader.biCompression;
  if (compression == kFourccMJPG) {
    format.subtype = SubType::MJPG;
  } else if (compression == BI_RGB) {
    if (vih.bmiHeader.biBitCount == 24)
      format.subtype = SubType::RGB24;
    else if (vih.bmiHeader.biBitCount == 32)
      format.subtype = SubType::RGB32;
    else
      return std::nullopt;
  } else {
    const RawVideoInfo* found = nullptr;
    for (const RawVideoInfo& info : kRawVideo)
      if (info.fourcc == compression && info.fourcc != BI_RGB) found = &info;
    if (!found) return std::nullopt;
    format.subtype = found->subtype;
  }
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

Fraction VideoFormatRange::NearestRate(double fps) const {
  if (rates.empty()) {
    if (fps < minRate.value()) return minRate;
    if (fps > maxRate.value()) return maxRate;
    return Reduced(std::llround(fps * 1000), 1000);
  }
  Fraction best = rates.front();
  for (Fraction r : rates)
    if (std::fabs(r.value() - fps) < std::fabs(best.value() - fps)) best = r;
  return best;
}

std::vector<VideoFormatRange> FormatsFromCaps(const GstCaps* caps) {
  std::vector<VideoFormatRange> ranges;
  if (!caps) return ranges;
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps, i);
    std::vector<SubType> subtypes;
    if (gst_structure_has_name(s, "image/jpeg")) {
      subtypes.push_back(SubType::MJPG);
    } else if (gst_structure_has_name(s, "video/x-raw")) {
      const GValue* f = gst_structure_get_value(s, "format");
      if (f && G_VALUE_HOLDS_STRING(f)) {
        if (const RawVideoInfo* raw = RawVideoByName(g_value_get_string(f)))
          subtypes.push_back(raw->subtype);
      } else if (f && GST_VALUE_HOLDS_LIST(f)) {
        for (guint k = 0; k < gst_value_list_get_size(f); ++k)
          if (const GValue* item = gst_value_list_get_value(f, k); G_VALUE_HOLDS_STRING(item))
            if (const RawVideoInfo* raw = RawVideoByName(g_value_get_string(item)))
              subtypes.push_back(raw->subtype);
      }
    }
    if (subtypes.empty()) continue;
    for (SubType subtype : subtypes) {
      for (const auto& [width, height] : Sizes(s)) {
        VideoFormatRange r{subtype, width, height, {}, {}, {}};
        ReadRates(s, &r);
        if (r.rates.empty() && r.maxRate.num <= 0) continue;
        auto same = std::find_if(ranges.begin(), ranges.end(), [&](const VideoFormatRange& o) {
          return o.subtype == subtype && o.width == width && o.height == height;
        });
        if (same == ranges.end()) {
          ranges.push_back(r);
        } else {
          for (Fraction f : r.rates)
            if (std::find(same->rates.begin(), same->rates.end(), f) == same->rates.end())
              same->rates.push_back(f);
          std::sort(same->rates.begin(), same->rates.end(),
                    [](Fraction a, Fraction b) { return a.value() > b.value(); });
        }
      }
    }
  }
  return ranges;
}

const VideoFormatRange* FindOffered(const std::vector<VideoFormatRange>& ranges,
                                    const VideoFormat& format) {
  for (const VideoFormatRange& r : ranges)
    if (r.subtype == format.subtype && r.width == format.width && r.height == format.height)
      return &r;
  return nullptr;
}

bool Offers(const std::vector<VideoFormatRange>& ranges, const VideoFormat& format) {
  return format.avgTimePerFrame > 0 && FindOffered(ranges, format) != nullptr;
}

Fraction StandardRate(REFERENCE_TIME avgTimePerFrame) {
  if (avgTimePerFrame <= 0) return {0, 1};
  const double fps = 1e7 / static_cast<double>(avgTimePerFrame);
  const long long n = std::llround(fps);
  if (n > 0 && n < 1000) {
    const double ntsc = static_cast<double>(n) * 1000.0 / 1001.0;
    if (std::fabs(fps - ntsc) / fps < 1e-4) return {static_cast<int>(n * 1000), 1001};
    if (std::fabs(fps - static_cast<double>(n)) / fps < 1e-3) return {static_cast<int>(n), 1};
  }
  return Reduced(10000000, avgTimePerFrame);
}

gst::Caps CameraCaps(const VideoFormat& format, Fraction rate) {
  gst::EnsureInitialised();
  GstCaps* caps;
  if (format.subtype == SubType::MJPG) {
    caps = gst_caps_new_simple("image/jpeg", "width", G_TYPE_INT, format.width, "height",
                               G_TYPE_INT, format.height, "framerate", GST_TYPE_FRACTION,
                               rate.num, rate.den, nullptr);
  } else {
    const RawVideoInfo* raw = RawVideo(format.subtype);
    caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                               raw ? raw->gstFormat : "YUY2", "width", G_TYPE_INT, format.width,
                               "height", G_TYPE_INT, format.height, "framerate", GST_TYPE_FRACTION,
                               rate.num, rate.den, nullptr);
  }
  return gst::Caps(caps);
}

gst::Caps ToCaps(const AudioFormat& format) {
  gst::EnsureInitialised();
  return gst::Caps(gst_caps_new_simple(
      "audio/x-raw", "format", G_TYPE_STRING, format.bitsPerSample == 8 ? "U8" : "S16LE", "rate",
      G_TYPE_INT, format.samplesPerSec, "channels", G_TYPE_INT, format.channels, "layout",
      G_TYPE_STRING, "interleaved", nullptr));
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
      SubTypeName(format.subtype),
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
