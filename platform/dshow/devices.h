// The capture devices the enumerator lists: the host's cameras and
// microphones, in a stable order, then the built-in virtual devices.
//
// Host devices come from GStreamer's device providers, one family each:
// V4L2 (v4l2devices), PipeWire (pipewiredevices) and the rest (sound
// servers, ALSA, libcamera), in that file. A device two providers both
// report (a V4L2 camera that PipeWire also publishes, a sound server's
// source that PipeWire serves) is listed once, through PipeWire; only
// devices whose element is a source are listed. A camera whose every
// format is grey (a face-login infrared camera) is left out: it shows
// nobody's face.
//
// A host device can be shown under another name through devices.ini beside
// the profile (orvane::prefix::ConfigDir()), keyed by its device path
// (/dev/videoN, also for a PipeWire node that names it), its node name or
// its display name:
//
//   [names]
//   /dev/video0=Lumitrex USB Camera
//
// so that a user's own camera is the one the programs pick by name.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/dshow/dshowtypes.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/gstref.h"

namespace dshow {

// How the built-in virtual camera behaves. By default it is a USB webcam:
// discrete sizes, 30/1 and 15/1, YUY2 and MJPG. The others exist for tests.
enum class VirtualCameraKind {
  kWebcam,
  kNv12Ranges,   // NV12 only, sizes as a range, 30/1 and 15/1
  kLowLight,     // a webcam in the dark: every second frame, real timestamps
  kJittery,      // a webcam whose frames come up to 12 ms early or late
  kBusy,         // held by another program: fails to start with "busy"
  kCorruptJpeg,  // every tenth MJPG frame is cut short
};

struct DeviceDescription {
  enum class Source { VirtualCamera, VirtualMicrophone, HostCamera, HostMicrophone };
  enum class Family { Virtual, V4L2, PipeWire, Other };
  DeviceCategory category = DeviceCategory::VideoInput;
  Source source = Source::VirtualCamera;
  Family family = Family::Virtual;
  std::string friendlyName;
  bool hasName = true;           // false: the property bag has no FriendlyName
  bool hasPreviewPin = true;     // cameras: a preview pin beside the capture pin
  bool hasStreamConfig = true;   // the capture pin offers IAMStreamConfig
  bool hasStreamControl = true;  // the pins can be held back and released
  std::string hostId;            // host devices: the key of the stable order
  std::string devicePath;        // a V4L2 camera's /dev/videoN, however reached
  std::string nodeName;          // PipeWire's node.name, a sound server's source name
  VirtualCameraKind virtualKind = VirtualCameraKind::kWebcam;
  gst::Ref<GstDevice> hostDevice;
};

// The devices of one category in enumeration order (numbered from 0).
std::vector<DeviceDescription> ListDevices(DeviceCategory category);

// Every device the started providers report, with why a device is not in
// ListDevices ("" when it is): for telling a user what each stack sees.
struct ReportedDevice {
  DeviceDescription device;  // the name as the provider gives it
  std::string provider;      // "pipewire", "v4l2", "libcamera", "pulse", "alsa", ...
  std::string leftOut;
};
std::vector<ReportedDevice> ReportedDevices(DeviceCategory category);
// The device providers GStreamer has for a category, whether or not they
// started; and whether an element factory is installed.
bool HasDeviceProvider(const char* name);
bool HasElement(const char* factory);

// The formats a camera offers (its caps), as the format page lists them.
std::vector<VideoFormatRange> OfferedVideoFormats(const DeviceDescription& camera);

// Calls gone(device) on a provider's thread when a host device is unplugged
// (or its node goes away); a PipeWire source whose node goes only stops,
// without a word. The listener is called under a lock that
// UnwatchDeviceRemoval also takes, so none runs once that has returned.
int WatchDeviceRemoval(std::function<void(GstDevice*)> gone);
void UnwatchDeviceRemoval(int token);

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
DeviceDescription VirtualCamera(const std::string& name = kVirtualCameraName,
                                VirtualCameraKind kind = VirtualCameraKind::kWebcam);
DeviceDescription VirtualMicrophone(const std::string& name = kVirtualMicrophoneName);

}  // namespace dshow::testapi
