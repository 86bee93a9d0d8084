#include "platform/dshow/v4l2devices.h"

#include <cstring>

#include "platform/dshow/deviceproperties.h"

namespace dshow::v4l2 {

bool IsV4l2Device(GstDevice* device) {
  return device && std::strcmp(G_OBJECT_TYPE_NAME(device), "GstV4l2Device") == 0;
}

void Describe(GstDevice* device, DeviceDescription* d) {
  d->family = DeviceDescription::Family::V4L2;
  d->devicePath = DeviceProperty(device, "device.path");
}

}  // namespace dshow::v4l2
