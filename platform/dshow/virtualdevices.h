// The built-in virtual camera and microphone (internal).
//
// The camera is as strict as a USB webcam: it offers discrete sizes at 30/1
// and 15/1 in YUY2 and MJPG, and a chain asked for anything else fails to
// negotiate, as a real camera does. Its kinds (devices.h) stand for the
// cameras the tests need: NV12 only with sizes as a range, one that halves
// its rate in the dark, one with jitter, one that is busy, one that sends
// corrupt JPEG frames. The microphone makes a tone in any PCM format of
// its list.
#pragma once

#include <gst/gst.h>

#include <vector>

#include "platform/dshow/devices.h"

namespace dshow::virtualdevices {

// What a virtual camera of that kind offers.
gst::Caps CameraCaps(VirtualCameraKind kind);

// The camera's source elements, added to bin and linked, the last one's
// source pad giving format at rate (only if the camera offers them).
struct CameraChain {
  std::vector<GstElement*> elements;  // in order; empty when one is missing
  GstElement* pattern = nullptr;      // the videotestsrc, for its picture
  GstElement* clock = nullptr;        // the timeoverlay, for the running time
};
CameraChain BuildCamera(GstBin* bin, VirtualCameraKind kind, const VideoFormat& format,
                        Fraction rate, int pattern, bool showClock);

// The microphone's source element, added to bin.
GstElement* BuildMicrophone(GstBin* bin);

}  // namespace dshow::virtualdevices
