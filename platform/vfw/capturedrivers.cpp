#include "platform/vfw/capturedrivers.h"

#include <algorithm>
#include <cstring>

namespace vfw {

namespace {

// A V4L2 camera reports its driver's version, coded as the kernel codes it.
std::string HostVersion(const dshow::DeviceDescription& device) {
  guint code = 0;
  if (device.hostDevice) {
    if (GstStructure* props = gst_device_get_properties(device.hostDevice.get())) {
      gst_structure_get_uint(props, "v4l2.device.version", &code);
      gst_structure_free(props);
    }
  }
  if (code == 0) return "Version: 1.0";
  return "Version: " + std::to_string(code >> 16) + "." + std::to_string((code >> 8) & 0xFF) + "." +
         std::to_string(code & 0xFF);
}

void CopyCut(const std::string& text, LPSTR buffer, int size) {
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

}  // namespace

std::vector<DriverInfo> ListDrivers() {
  std::vector<DriverInfo> drivers;
  for (dshow::DeviceDescription& device : dshow::ListDevices(DeviceCategory::VideoInput)) {
    if (drivers.size() == kMaxDrivers) break;
    DriverInfo info;
    info.name = device.friendlyName;
    info.version = HostVersion(device);
    info.device = std::move(device);
    drivers.push_back(std::move(info));
  }
  return drivers;
}

}  // namespace vfw

BOOL capGetDriverDescriptionA(WORD driverIndex, LPSTR name, int nameSize, LPSTR version,
                              int versionSize) {
  if (!name || !version || nameSize <= 0 || versionSize <= 0) return FALSE;
  const std::vector<vfw::DriverInfo> drivers = vfw::ListDrivers();
  if (driverIndex >= drivers.size()) return FALSE;
  vfw::CopyCut(drivers[driverIndex].name, name, nameSize);
  vfw::CopyCut(drivers[driverIndex].version, version, versionSize);
  return TRUE;
}

namespace vfw::testapi {

void SetDrivers(const std::vector<std::string>& names) {
  std::vector<dshow::DeviceDescription> devices;
  for (const std::string& name : names) devices.push_back(dshow::testapi::VirtualCamera(name));
  devices.push_back(dshow::testapi::VirtualMicrophone());
  dshow::testapi::SetDevices(std::move(devices), false);
}

}  // namespace vfw::testapi
