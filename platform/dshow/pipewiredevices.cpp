#include "platform/dshow/pipewiredevices.h"

#include <cstring>

#include "platform/dshow/deviceproperties.h"

namespace dshow::pipewire {

bool IsPipeWireDevice(GstDevice* device) {
  return device && std::strcmp(G_OBJECT_TYPE_NAME(device), "GstPipeWireDevice") == 0;
}

bool Describe(GstDevice* device, DeviceDescription* d) {
  if (!ElementIsSource(device)) return false;
  d->family = DeviceDescription::Family::PipeWire;
  d->nodeName = DeviceProperty(device, "node.name");
  d->devicePath = DeviceProperty(device, "api.v4l2.path");
  if (d->devicePath.empty()) {
    // object.path of a V4L2 node is "v4l2:/dev/videoN".
    const std::string objectPath = DeviceProperty(device, "object.path");
    if (objectPath.rfind("v4l2:", 0) == 0) d->devicePath = objectPath.substr(5);
  }
  return true;
}

void ConfigureSource(GstElement* source, bool video) {
  g_object_set(source, "always-copy", TRUE, nullptr);
  // Its clock's time jumps when the stream negotiates; the graph keeps to
  // the system clock, and the source must not offer its own.
  GST_OBJECT_FLAG_UNSET(source, GST_ELEMENT_FLAG_PROVIDE_CLOCK);
  if (!video) g_object_set(source, "do-timestamp", TRUE, nullptr);
}

}  // namespace dshow::pipewire
