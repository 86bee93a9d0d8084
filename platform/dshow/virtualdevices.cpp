#include "platform/dshow/virtualdevices.h"

#include <string>

namespace dshow::virtualdevices {

namespace {

constexpr const char* kWebcamSizes[] = {"160,height=120", "176,height=144", "320,height=240",
                                        "352,height=288", "640,height=480", "800,height=600",
                                        "1280,height=720"};
constexpr char kWebcamRates[] = "framerate=(fraction){ 30/1, 15/1 }";

std::string WebcamCaps() {
  std::string caps;
  for (const char* media : {"video/x-raw,format=YUY2", "image/jpeg"})
    for (const char* size : kWebcamSizes) {
      if (!caps.empty()) caps += ";";
      caps += std::string(media) + ",width=" + size + "," + kWebcamRates;
    }
  return caps;
}

// What the kinds do to the frames, on the test source's pad.
struct Behaviour {
  VirtualCameraKind kind;
  guint64 frames = 0;
  guint32 noise = 12345;
};

GstPadProbeReturn OnFrame(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  auto* b = static_cast<Behaviour*>(data);
  const guint64 n = b->frames++;
  switch (b->kind) {
    case VirtualCameraKind::kLowLight:
      // The exposure takes two frame times: every second frame comes, each
      // stamped when it was taken; the caps keep the nominal rate.
      return n % 2 ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
    case VirtualCameraKind::kJittery: {
      GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
      if (!GST_BUFFER_PTS_IS_VALID(buffer)) return GST_PAD_PROBE_OK;
      b->noise = b->noise * 1103515245u + 12345u;
      const gint64 shift = (static_cast<gint64>((b->noise >> 8) % 25) - 12) * GST_MSECOND;
      buffer = gst_buffer_make_writable(buffer);
      const GstClockTime pts = GST_BUFFER_PTS(buffer);
      GST_BUFFER_PTS(buffer) = shift < 0 && pts < static_cast<GstClockTime>(-shift) ? 0 : pts + shift;
      GST_PAD_PROBE_INFO_DATA(info) = buffer;
      return GST_PAD_PROBE_OK;
    }
    case VirtualCameraKind::kBusy: {
      // Held by another program: the device refuses to stream, as a V4L2
      // camera does when its format is set.
      GstElement* source = gst_pad_get_parent_element(pad);
      GST_ELEMENT_ERROR(source, RESOURCE, BUSY, ("Device '%s' is busy", kVirtualCameraName),
                        ("another program holds the camera"));
      gst_object_unref(source);
      gst_mini_object_unref(GST_MINI_OBJECT(GST_PAD_PROBE_INFO_DATA(info)));
      GST_PAD_PROBE_INFO_DATA(info) = nullptr;
      GST_PAD_PROBE_INFO_FLOW_RETURN(info) = GST_FLOW_ERROR;
      return GST_PAD_PROBE_HANDLED;
    }
    case VirtualCameraKind::kCorruptJpeg: {
      if (n % 10 != 9) return GST_PAD_PROBE_OK;
      // A frame cut short on the wire: the start of a JPEG, no end.
      GstBuffer* buffer = gst_buffer_make_writable(GST_PAD_PROBE_INFO_BUFFER(info));
      gst_buffer_resize(buffer, 0, static_cast<gssize>(gst_buffer_get_size(buffer) / 3));
      GST_PAD_PROBE_INFO_DATA(info) = buffer;
      return GST_PAD_PROBE_OK;
    }
    default: return GST_PAD_PROBE_REMOVE;
  }
}

void AddBehaviour(GstElement* element, VirtualCameraKind kind) {
  if (kind == VirtualCameraKind::kWebcam || kind == VirtualCameraKind::kNv12Ranges) return;
  GstPad* pad = gst_element_get_static_pad(element, "src");
  auto* behaviour = new Behaviour{kind};
  gst_pad_add_probe(
      pad, GST_PAD_PROBE_TYPE_BUFFER, &OnFrame, behaviour,
      [](gpointer data) { delete static_cast<Behaviour*>(data); });
  gst_object_unref(pad);
}

GstElement* Add(GstBin* bin, std::vector<GstElement*>* elements, const char* factory) {
  GstElement* e = gst::Make(factory);
  if (!e) return nullptr;
  gst_bin_add(bin, e);
  elements->push_back(e);
  return e;
}

}  // namespace

gst::Caps CameraCaps(VirtualCameraKind kind) {
  gst::EnsureInitialised();
  if (kind == VirtualCameraKind::kNv12Ranges)
    return gst::Caps(gst_caps_from_string(
        "video/x-raw,format=NV12,width=(int)[160,1920,2],height=(int)[120,1080,2],"
        "framerate=(fraction){ 30/1, 15/1 }"));
  return gst::Caps(gst_caps_from_string(WebcamCaps().c_str()));
}

CameraChain BuildCamera(GstBin* bin, VirtualCameraKind kind, const VideoFormat& format,
                        Fraction rate, int pattern, bool showClock) {
  CameraChain chain;
  GstElement* src = Add(bin, &chain.elements, "videotestsrc");
  GstElement* raw = Add(bin, &chain.elements, "capsfilter");
  // Picture controls as a camera's driver has them (brightness, contrast,
  // hue, saturation); it passes frames untouched while all are at rest.
  GstElement* balance = Add(bin, &chain.elements, "videobalance");
  GstElement* clock = Add(bin, &chain.elements, "timeoverlay");
  const bool jpeg = format.subtype == SubType::MJPG;
  GstElement* encoder = jpeg ? Add(bin, &chain.elements, "jpegenc") : nullptr;
  // What the device offers, and nothing else: a chain asked for another
  // rate or size does not negotiate.
  GstElement* offer = Add(bin, &chain.elements, "capsfilter");
  if (!src || !raw || !balance || !clock || !offer || (jpeg && !encoder)) {
    for (GstElement* e : chain.elements) gst_bin_remove(bin, e);
    chain.elements.clear();
    return chain;
  }
  g_object_set(src, "is-live", TRUE, "pattern", pattern, "horizontal-speed", 4, nullptr);
  VideoFormat rawFormat = format;
  if (jpeg) rawFormat.subtype = SubType::I420;
  gst::Caps rawCaps = CameraCaps(rawFormat, rate);
  g_object_set(raw, "caps", rawCaps.get(), nullptr);
  g_object_set(clock, "font-desc", "Sans 20", "halignment", 2 /* right */, "silent",
               showClock ? FALSE : TRUE, nullptr);
  gst::Caps offered = CameraCaps(kind);
  g_object_set(offer, "caps", offered.get(), nullptr);
  chain.pattern = src;
  chain.clock = clock;
  if (kind != VirtualCameraKind::kCorruptJpeg)
    AddBehaviour(src, kind);
  else if (jpeg)
    AddBehaviour(encoder, kind);  // only JPEG frames can be cut short
  bool linked = gst_element_link_many(src, raw, balance, clock, nullptr);
  GstElement* last = clock;
  if (linked && encoder) {
    linked = gst_element_link(clock, encoder);
    last = encoder;
  }
  linked = linked && gst_element_link(last, offer);
  if (!linked) {
    for (GstElement* e : chain.elements) {
      gst_element_set_state(e, GST_STATE_NULL);
      gst_bin_remove(bin, e);
    }
    chain = CameraChain{};
  }
  return chain;
}

GstElement* BuildMicrophone(GstBin* bin) {
  GstElement* src = gst::Make("audiotestsrc");
  if (!src) return nullptr;
  // Blocks of 10 ms, as a sound card's periods come.
  g_object_set(src, "is-live", TRUE, "wave", 0 /* sine */, "freq", 440.0, "volume", 0.3,
               "samplesperbuffer", 480, nullptr);
  gst_bin_add(bin, src);
  return src;
}

}  // namespace dshow::virtualdevices
