#include "platform/dshow/devices.h"

#include <algorithm>
#include <mutex>
#include <optional>

#include "platform/system/configfile.h"
#include "platform/system/inifile.h"
#include "platform/system/prefix.h"

namespace dshow {

namespace {

struct DeviceSet {
  bool custom = false;
  bool includeHost = true;
  std::vector<DeviceDescription> virtualDevices;
};

std::mutex g_lock;
DeviceSet g_set;

std::string Property(GstDevice* device, const char* key) {
  std::string value;
  if (GstStructure* props = gst_device_get_properties(device)) {
    if (const gchar* text = gst_structure_get_string(props, key)) value = text;
    gst_structure_free(props);
  }
  return value;
}

std::optional<std::string> RenamedHostCamera(const std::string& path) {
  constexpr std::size_t kMaxBytes = std::size_t{1} << 20;
  orvane::configfile::ReadResult file =
      orvane::configfile::Read(orvane::prefix::ConfigDir() + "/devices.ini", kMaxBytes);
  if (file.status != orvane::configfile::ReadResult::Status::kRead ||
      !orvane::FitsIniLineLimit(file.bytes))
    return std::nullopt;
  auto name = orvane::IniFile::Parse(file.bytes).Get("names", path);
  if (!name || name->empty()) return std::nullopt;
  return name;
}

std::vector<DeviceDescription> HostDevices(DeviceCategory category) {
  std::vector<DeviceDescription> devices;
  gst::EnsureInitialised();
  const bool video = category == DeviceCategory::VideoInput;
  GstDeviceMonitor* monitor = gst_device_monitor_new();
  gst_device_monitor_add_filter(monitor, video ? "Video/Source" : "Audio/Source", nullptr);
  if (!gst_device_monitor_start(monitor)) {
    gst_object_unref(monitor);
    return devices;
  }
  GList* list = gst_device_monitor_get_devices(monitor);
  for (GList* item = list; item; item = item->next) {
    auto* device = GST_DEVICE(item->data);
    DeviceDescription d;
    d.category = category;
    d.source =
        video ? DeviceDescription::Source::HostCamera : DeviceDescription::Source::HostMicrophone;
    gchar* name = gst_device_get_display_name(device);
    d.friendlyName = name ? name : "";
    g_free(name);
    d.hostId = video ? Property(device, "device.path") : Property(device, "node.name");
    if (d.hostId.empty()) d.hostId = Property(device, "device.name");
    if (d.hostId.empty()) d.hostId = d.friendlyName;
    // Host cameras have one output; the preview is fed from it.
    d.hasPreviewPin = false;
    if (video)
      if (auto renamed = RenamedHostCamera(d.hostId)) d.friendlyName = *renamed;
    d.hostDevice = gst::Ref<GstDevice>(device);  // takes the list's reference
    devices.push_back(std::move(d));
  }
  g_list_free(list);
  gst_device_monitor_stop(monitor);
  gst_object_unref(monitor);
  // The monitor's order depends on the providers; the device path does not.
  std::stable_sort(
      devices.begin(), devices.end(),
      [](const DeviceDescription& a, const DeviceDescription& b) { return a.hostId < b.hostId; });
  return devices;
}

}  // namespace

std::vector<DeviceDescription> ListDevices(DeviceCategory category) {
  DeviceSet set;
  {
    std::lock_guard guard(g_lock);
    set = g_set;
  }
  std::vector<DeviceDescription> devices;
  if (set.includeHost) devices = HostDevices(category);
  if (!set.custom) set.virtualDevices = {testapi::VirtualCamera(), testapi::VirtualMicrophone()};
  for (const DeviceDescription& d : set.virtualDevices)
    if (d.category == category) devices.push_back(d);
  return devices;
}

}  // namespace dshow

namespace dshow::testapi {

void SetDevices(std::vector<DeviceDescription> virtualDevices, bool includeHostDevices) {
  std::lock_guard guard(g_lock);
  g_set.custom = true;
  g_set.includeHost = includeHostDevices;
  g_set.virtualDevices = std::move(virtualDevices);
}

void ResetDevices() {
  std::lock_guard guard(g_lock);
  g_set = DeviceSet{};
}

DeviceDescription VirtualCamera(const std::string& name) {
  DeviceDescription d;
  d.category = DeviceCategory::VideoInput;
  d.source = DeviceDescription::Source::VirtualCamera;
  d.friendlyName = name;
  return d;
}

DeviceDescription VirtualMicrophone(const std::string& name) {
  DeviceDescription d;
  d.category = DeviceCategory::AudioInput;
  d.source = DeviceDescription::Source::VirtualMicrophone;
  d.friendlyName = name;
  d.hasPreviewPin = false;
  return d;
}

}  // namespace dshow::testapi
