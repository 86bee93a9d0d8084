// Cameras reached directly through V4L2 (GStreamer's v4l2deviceprovider),
// where no PipeWire publishes them (internal).
//
// A V4L2 camera is known by its device path. Its rates are n/1 or n/1001;
// it is opened at the one nearest to the rate asked for (formats.h), and
// a camera another program holds fails to start with a "busy" error, which
// the graph reports as such (graphstart.h).
#pragma once

#include <gst/gst.h>

#include "platform/dshow/devices.h"

namespace dshow::v4l2 {

bool IsV4l2Device(GstDevice* device);
// Fills the identity of a V4L2 device.
void Describe(GstDevice* device, DeviceDescription* description);

}  // namespace dshow::v4l2
