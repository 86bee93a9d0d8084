// The capture devices the enumerator lists: the host's cameras and
// microphones, in a stable order, then the built-in virtual devices.
//
// A host camera can be shown under another name through devices.ini beside
// the profile (orvane::prefix::ConfigDir()):
//
//   [names]
//   /dev/video0=Lumitrex USB Camera
//
// so that a user's own camera is the one the programs pick by name.
#pragma once

#include <string>
#include <vector>

#include "platform/dshow/dshowtypes.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/gstref.h"

namespace dshow {

struct DeviceDescription {
  enum class Source { VirtualCamera, VirtualMicrophone, HostCamera, HostMicrophone };
  DeviceCategory category = DeviceCategory::VideoInput;
  Source source = Source::VirtualCamera;
  std::string friendlyName;
  bool hasName = true;           // false: the property bag has no FriendlyName
  bool hasPreviewPin = true;     // cameras: a preview pin beside the capture pin
  bool hasStreamConfig = true;   // the capture pin offers IAMStreamConfig
  bool hasStreamControl = true;  // the pins can be held back and released
  std::string hostId;            // host devices: device path or source name
  gst::Ref<GstDevice> hostDevice;
};

// The devices of one category in enumeration order (numbered from 0).
std::vector<DeviceDescription> ListDevices(DeviceCategory category);

constexpr char kVirtualCameraName[] = "Lumitrex Virtual Camera";
constexpr char kVirtualMicrophoneName[] = "Lumitrex Virtual Microphone";

}  // namespace dshow

// For tests only: the device set the enumerator lists.
namespace dshow::testapi {

// Replaces the virtual devices by this list (each entry's category decides
// where it is listed) and hides or shows the host's devices.
void SetDevices(std::vector<DeviceDescription> virtualDevices, bool includeHostDevices);
// Back to the default: the host's devices and the two virtual ones.
void ResetDevices();
DeviceDescription VirtualCamera(const std::string& name = kVirtualCameraName);
DeviceDescription VirtualMicrophone(const std::string& name = kVirtualMicrophoneName);

}  // namespace dshow::testapi
