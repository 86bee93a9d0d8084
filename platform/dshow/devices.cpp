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

// The device providers of a category that started, once per process. A
// provider that cannot start (no sound server) is probed afresh by every
// device monitor listing, and the sound server's client leaves three
// descriptors behind each time; so it is tried once, and a server that
// appears later is seen at the next start. Providers hidden by another (the
// sound server's hides ALSA's) are left out, as a device monitor does.
const std::vector<GstDeviceProvider*>& StartedProviders(DeviceCategory category) {
  static std::mutex lock;
  static std::vector<GstDeviceProvider*> started[2];
  static bool tried[2] = {false, false};
  std::lock_guard guard(lock);
  const int i = category == DeviceCategory::VideoInput ? 0 : 1;
  if (tried[i]) return started[i];
  tried[i] = true;
  gst::EnsureInitialised();
  const char* classes = i == 0 ? "Video/Source" : "Audio/Source";
  GList* factories = gst_device_provider_factory_list_get_device_providers(GST_RANK_MARGINAL);
  std::vector<std::string> hidden;
  for (GList* f = factories; f; f = f->next) {
    auto* factory = GST_DEVICE_PROVIDER_FACTORY(f->data);
    if (!gst_device_provider_factory_has_classes(factory, classes)) continue;
    GstDeviceProvider* provider = gst_device_provider_factory_get(factory);
    if (!provider) continue;
    if (!gst_device_provider_start(provider)) {
      gst_object_unref(provider);
      continue;
    }
    if (gchar** names = gst_device_provider_get_hidden_providers(provider)) {
      for (gchar** n = names; *n; ++n) hidden.emplace_back(*n);
      g_strfreev(names);
    }
    started[i].push_back(provider);
  }
  gst_plugin_feature_list_free(factories);
  std::erase_if(started[i], [&hidden](GstDeviceProvider* provider) {
    GstDeviceProviderFactory* factory = gst_device_provider_get_factory(provider);
    const char* name = factory ? GST_OBJECT_NAME(factory) : "";
    const bool hide = std::find(hidden.begin(), hidden.end(), name) != hidden.end();
    if (hide) {
      gst_device_provider_stop(provider);
      gst_object_unref(provider);
    }
    return hide;
  });
  return started[i];
}

std::vector<DeviceDescription> HostDevices(DeviceCategory category) {
  std::vector<DeviceDescription> devices;
  const bool video = category == DeviceCategory::VideoInput;
  GList* list = nullptr;
  for (GstDeviceProvider* provider : StartedProviders(category))
    list = g_list_concat(list, gst_device_provider_get_devices(provider));
  for (GList* item = list; item; item = item->next) {
    auto* device = GST_DEVICE(item->data);
    if (!gst_device_has_classes(device, video ? "Video/Source" : "Audio/Source")) {
      gst_object_unref(device);
      continue;
    }
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
