// The capture drivers: one driver index per camera of the capture layer's
// device list (the host's cameras in their stable order, then the virtual
// camera), at most ten, as the platform numbers them.
#pragma once

#include <string>
#include <vector>

#include "platform/dshow/devices.h"
#include "platform/system/wintypes.h"

namespace vfw {

constexpr int kMaxDrivers = 10;

struct DriverInfo {
  std::string name;     // the camera's FriendlyName
  std::string version;  // "Version: ..."
  dshow::DeviceDescription device;
};

// The drivers now, in driver-index order.
std::vector<DriverInfo> ListDrivers();

}  // namespace vfw

// The name and version of driver index, each cut to its buffer with a
// terminating zero. FALSE when there is no such driver or a buffer is null
// or empty.
BOOL capGetDriverDescriptionA(WORD driverIndex, LPSTR name, int nameSize, LPSTR version,
                              int versionSize);

// For tests only: the drivers are virtual cameras of these names (and the
// virtual microphone); the host's devices are hidden. ResetDevices of the
// capture layer's test API undoes it.
namespace vfw::testapi {
void SetDrivers(const std::vector<std::string>& names);
}
