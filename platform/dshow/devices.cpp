#include "platform/dshow/devices.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <regex>

#include "platform/dshow/deviceproperties.h"
#include "platform/dshow/pipewiredevices.h"
#include "platform/dshow/v4l2devices.h"
#include "platform/dshow/virtualdevices.h"
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

// devices.ini's [names]: a host device's name by its device path, its
// object path, its node name or its display name, in that order.
std::optional<std::string> RenamedHostDevice(const DeviceDescription& d) {
  constexpr std::size_t kMaxBytes = std::size_t{1} << 20;
  orvane::configfile::ReadResult file =
      orvane::configfile::Read(orvane::prefix::ConfigDir() + "/devices.ini", kMaxBytes);
  if (file.status != orvane::configfile::ReadResult::Status::kRead ||
      !orvane::FitsIniLineLimit(file.bytes))
    return std::nullopt;
  const orvane::IniFile ini = orvane::IniFile::Parse(file.bytes);
  const std::string objectPath = d.devicePath.empty() ? "" : "v4l2:" + d.devicePath;
  for (const std::string& key : {d.devicePath, objectPath, d.nodeName, d.friendlyName}) {
    if (key.empty()) continue;
    if (auto name = ini.Get("names", key); name && !name->empty()) return name;
  }
  return std::nullopt;
}

std::mutex g_watchLock;
std::map<int, std::function<void(GstDevice*)>> g_watchers;  // guarded by g_watchLock
int g_nextWatcher = 1;                                       // guarded by g_watchLock

// A provider's messages, on its own thread: removals go to the watchers,
// and nothing is left queued on a bus nobody reads.
GstBusSyncReply OnProviderMessage(GstBus*, GstMessage* message, gpointer) {
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_DEVICE_REMOVED) {
    GstDevice* device = nullptr;
    gst_message_parse_device_removed(message, &device);
    {
      std::lock_guard guard(g_watchLock);
      for (const auto& [token, gone] : g_watchers) gone(device);
    }
    if (device) gst_object_unref(device);
  }
  gst_message_unref(message);
  return GST_BUS_DROP;
}

bool IsProvider(GstDeviceProvider* provider, const char* name) {
  GstDeviceProviderFactory* factory = gst_device_provider_get_factory(provider);
  return factory && std::strcmp(GST_OBJECT_NAME(factory), name) == 0;
}

// The device providers of a category that started, once per process. A
// provider that cannot start (no sound server) is probed afresh by every
// device monitor listing, and the sound server's client leaves three
// descriptors behind each time; so it is tried once, and a server that
// appears later is seen at the next start. A started provider follows
// devices plugged in or out. Providers hidden by another (PipeWire's hides
// the sound server's and V4L2's) are left out, as a device monitor does,
// except that libcamera's does not hide V4L2's: it hides it even when it
// lists no camera at all.
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
    GstBus* bus = gst_device_provider_get_bus(provider);
    gst_bus_set_sync_handler(bus, &OnProviderMessage, nullptr, nullptr);
    gst_object_unref(bus);
    if (!gst_device_provider_start(provider)) {
      gst_object_unref(provider);
      continue;
    }
    if (gchar** names = gst_device_provider_get_hidden_providers(provider)) {
      const bool libcamera = IsProvider(provider, "libcameraprovider");
      for (gchar** n = names; *n; ++n)
        if (!(libcamera && std::strcmp(*n, "v4l2deviceprovider") == 0)) hidden.emplace_back(*n);
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

// A camera libcamera reaches through a USB id ("...-046d:0825") is a UVC
// camera that V4L2 drives as well.
bool IsLibcameraUvcCamera(const std::string& name) {
  static const std::regex usbId("[0-9a-fA-F]{4}:[0-9a-fA-F]{4}$");
  return std::regex_search(name, usbId);
}

int Preference(DeviceDescription::Family family) {
  switch (family) {
    case DeviceDescription::Family::PipeWire: return 0;
    case DeviceDescription::Family::V4L2: return 1;
    default: return 2;
  }
}

// The key that names one device whichever provider reports it.
std::string IdentityKey(const DeviceDescription& d) {
  if (!d.devicePath.empty()) return "path:" + d.devicePath;
  if (!d.nodeName.empty()) return "node:" + d.nodeName;
  return "";
}

// The provider's short name: "pipewire" for pipewiredeviceprovider.
std::string ProviderName(GstObject* device) {
  GstObject* parent = gst_object_get_parent(device);
  std::string name;
  if (parent && GST_IS_DEVICE_PROVIDER(parent))
    if (GstDeviceProviderFactory* f = gst_device_provider_get_factory(GST_DEVICE_PROVIDER(parent)))
      name = GST_OBJECT_NAME(f);
  if (parent) gst_object_unref(parent);
  for (const char* suffix : {"deviceprovider", "provider"})
    if (name.size() > std::strlen(suffix) && name.ends_with(suffix)) {
      name.resize(name.size() - std::strlen(suffix));
      break;
    }
  return name;
}

// Every format of the camera is a grey picture.
bool OnlyGrey(GstDevice* device) {
  gst::Caps caps(gst_device_get_caps(device));
  if (!caps || gst_caps_is_empty(caps.get()) || gst_caps_is_any(caps.get())) return false;
  for (guint i = 0; i < gst_caps_get_size(caps.get()); ++i) {
    const GstStructure* s = gst_caps_get_structure(caps.get(), i);
    const char* format = gst_structure_get_string(s, "format");
    if (!gst_structure_has_name(s, "video/x-raw") || !format || std::strncmp(format, "GRAY", 4))
      return false;
  }
  return true;
}

// The host's devices of a category as ListDevices gives them; with report,
// also every device a provider gave and why it is not among them.
std::vector<DeviceDescription> HostDevices(DeviceCategory category,
                                           std::vector<ReportedDevice>* report = nullptr) {
  std::vector<ReportedDevice> found;
  const bool video = category == DeviceCategory::VideoInput;
  GList* list = nullptr;
  for (GstDeviceProvider* provider : StartedProviders(category))
    list = g_list_concat(list, gst_device_provider_get_devices(provider));
  for (GList* item = list; item; item = item->next) {
    auto* device = GST_DEVICE(item->data);
    gst::Ref<GstDevice> owned(device);  // takes the list's reference
    if (!gst_device_has_classes(device, video ? "Video/Source" : "Audio/Source")) continue;
    ReportedDevice r{{}, ProviderName(GST_OBJECT(device)), ""};
    DeviceDescription& d = r.device;
    d.category = category;
    d.source =
        video ? DeviceDescription::Source::HostCamera : DeviceDescription::Source::HostMicrophone;
    gchar* name = gst_device_get_display_name(device);
    d.friendlyName = name ? name : "";
    g_free(name);
    if (pipewire::IsPipeWireDevice(device)) {
      if (!pipewire::Describe(device, &d)) r.leftOut = "a virtual source: it takes sound, gives none";
    } else if (v4l2::IsV4l2Device(device)) {
      v4l2::Describe(device, &d);
    } else {
      d.family = DeviceDescription::Family::Other;
      d.nodeName = DeviceProperty(device, "node.name");
      if (d.nodeName.empty()) d.nodeName = DeviceProperty(device, "device.name");
      if (!ElementIsSource(device))
        r.leftOut = "its element is not a source";
      else if (video && IsLibcameraUvcCamera(d.friendlyName))
        r.leftOut = "a USB camera: listed through V4L2";
    }
    if (r.leftOut.empty() && video && OnlyGrey(device))
      r.leftOut = "infrared only: every format is grey";
    d.hostId = d.devicePath.empty() ? d.nodeName : d.devicePath;
    if (d.hostId.empty()) d.hostId = d.friendlyName;
    // Host cameras have one output; the preview is fed from it.
    d.hasPreviewPin = false;
    d.hostDevice = std::move(owned);
    found.push_back(std::move(r));
  }
  g_list_free(list);
  // One device reached through two providers is listed once, through the
  // one the desktop uses. Another camera of the same name (libcamera's own
  // name for a V4L2 camera) goes too.
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return Preference(a.device.family) < Preference(b.device.family);
  });
  std::vector<DeviceDescription> unique;
  for (ReportedDevice& r : found) {
    if (!r.leftOut.empty()) continue;
    const DeviceDescription& d = r.device;
    const std::string key = IdentityKey(d);
    const bool seen = std::any_of(unique.begin(), unique.end(), [&](const DeviceDescription& u) {
      return (!key.empty() && IdentityKey(u) == key) ||
             (d.family == DeviceDescription::Family::Other && u.friendlyName == d.friendlyName);
    });
    if (seen)
      r.leftOut = "listed once, through another stack";
    else
      unique.push_back(d);
  }
  if (report) *report = std::move(found);
  for (DeviceDescription& d : unique)
    if (auto renamed = RenamedHostDevice(d)) d.friendlyName = *renamed;
  // The providers' order changes from run to run; the device paths and
  // node names do not.
  std::stable_sort(unique.begin(), unique.end(),
                   [](const auto& a, const auto& b) { return a.hostId < b.hostId; });
  return unique;
}

}  // namespace

int WatchDeviceRemoval(std::function<void(GstDevice*)> gone) {
  std::lock_guard guard(g_watchLock);
  g_watchers.emplace(g_nextWatcher, std::move(gone));
  return g_nextWatcher++;
}

void UnwatchDeviceRemoval(int token) {
  std::lock_guard guard(g_watchLock);
  g_watchers.erase(token);
}

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

std::vector<ReportedDevice> ReportedDevices(DeviceCategory category) {
  std::vector<ReportedDevice> report;
  HostDevices(category, &report);
  return report;
}

bool HasDeviceProvider(const char* name) {
  gst::EnsureInitialised();
  GstDeviceProviderFactory* factory = gst_device_provider_factory_find(name);
  if (factory) gst_object_unref(factory);
  return factory != nullptr;
}

bool HasElement(const char* factory) {
  gst::EnsureInitialised();
  GstElementFactory* found = gst_element_factory_find(factory);
  if (found) gst_object_unref(found);
  return found != nullptr;
}

std::vector<VideoFormatRange> OfferedVideoFormats(const DeviceDescription& camera) {
  if (camera.category != DeviceCategory::VideoInput) return {};
  if (camera.source == DeviceDescription::Source::VirtualCamera)
    return FormatsFromCaps(virtualdevices::CameraCaps(camera.virtualKind).get());
  if (!camera.hostDevice) return {};
  gst::Caps caps(gst_device_get_caps(camera.hostDevice.get()));
  return FormatsFromCaps(caps.get());
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

DeviceDescription VirtualCamera(const std::string& name, VirtualCameraKind kind) {
  DeviceDescription d;
  d.category = DeviceCategory::VideoInput;
  d.source = DeviceDescription::Source::VirtualCamera;
  d.friendlyName = name;
  d.virtualKind = kind;
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
