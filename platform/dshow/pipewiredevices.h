// Cameras and microphones that PipeWire publishes (GStreamer's
// pipewiredeviceprovider), as GNOME and KDE deliver them (internal).
//
// What is particular to them:
// - Their identity: a V4L2 camera behind a node has no device.path, but
//   api.v4l2.path (/dev/videoN) and object.path (v4l2:/dev/videoN).
// - Nodes of class Audio/Source/Virtual are listed as sources but their
//   element is a sink: they are left out.
// - pipewiresrc hands out buffers from PipeWire's pool; held in the queues
//   in front of the multiplexer they starve the source, so it copies them.
// - pipewiresrc stamps buffers in the time of its own clock, which jumps by
//   that clock's last reading (about the machine's uptime) whenever the
//   stream negotiates, and which is seeded from the last reading of the
//   previous run when the element is used again. A graph that reads the
//   clock before the stream has negotiated (a graph going straight to
//   PLAYING does), a second PipeWire source, or a source run a second time
//   then sees timestamps off by the uptime. So the layer's graphs run on
//   the system's monotonic clock, which PipeWire stamps its buffers with,
//   the sources never lend their clock, and each run gets a new element.
// - Audio buffers carry no timestamp (the nodes add none): the source
//   stamps them on arrival, and the file branch makes them continuous.
#pragma once

#include <gst/gst.h>

#include "platform/dshow/devices.h"

namespace dshow::pipewire {

bool IsPipeWireDevice(GstDevice* device);
// Fills the identity of a PipeWire device; false when its element is not a
// source (a virtual source node) and the device is not to be listed.
bool Describe(GstDevice* device, DeviceDescription* description);
// Sets up a source element made from a PipeWire device.
void ConfigureSource(GstElement* source, bool video);

}  // namespace dshow::pipewire
