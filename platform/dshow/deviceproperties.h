// Reading what a GStreamer device says of itself (internal), shared by the
// device families.
#pragma once

#include <gst/gst.h>

#include <string>

namespace dshow {

// A string property of the device, or "".
std::string DeviceProperty(GstDevice* device, const char* key);
// Whether the element the device makes is a source: it has a source pad
// and takes no input. A PipeWire virtual source node makes a sink.
bool ElementIsSource(GstDevice* device);

}  // namespace dshow
