#include "tools/orvane-probe/doctor.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/dshow/devices.h"
#include "platform/dshow/pipewiresession.h"
#include "platform/dshow/v4l2nodes.h"
#include "platform/system/prefix.h"


using dshow::DeviceDescription;
using dshow::v4l2::VideoNode;

namespace {

std::vector<std::string> g_problems;

void Problem(const std::string& text) { g_problems.push_back("problem: " + text); }

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

std::string Join(const std::vector<std::string>& items, const char* separator) {
  std::string joined;
  for (const std::string& item : items) joined += (joined.empty() ? "" : separator) + item;
  return joined;
}

// Sensors behind an image processor: V4L2 gives their raw frames, libcamera
// makes pictures of them.
bool NeedsLibcamera(const VideoNode& node) {
  static const char* const kDrivers[] = {"ipu3-cio2", "intel-ipu6",   "intel-ipu6-isys",
                                         "unicam",    "bcm2835-unicam", "rkisp1",
                                         "sun6i-csi", "imx7-csi",     "mxc-isi"};
  return std::find_if(std::begin(kDrivers), std::end(kDrivers), [&](const char* d) {
           return node.driver == d;
         }) != std::end(kDrivers);
}

bool ProgramInstalled(const char* name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= dirs.size();) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string file = dirs.substr(start, end - start) + "/" + name;
    if (end > start && access(file.c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

bool DesktopUsesPipeWire() {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  const std::string d = desktop ? desktop : "";
  return ProgramInstalled("pipewire") || d.find("GNOME") != std::string::npos ||
         d.find("KDE") != std::string::npos;
}

void ReportNodes(const std::vector<VideoNode>& nodes,
                 const std::vector<dshow::ReportedDevice>& cameras) {
  if (nodes.empty()) std::printf("v4l2: no video nodes\n");
  for (const VideoNode& node : nodes) {
    std::string line = "v4l2 " + node.path + " " + Quoted(node.name) + " " + node.capabilities;
    if (!node.formats.empty()) line += " (" + Join(node.formats, ", ") + ")";
    if (!node.driver.empty()) line += ", driver " + node.driver;
    const bool listed = std::any_of(cameras.begin(), cameras.end(), [&](const auto& r) {
      return r.leftOut.empty() && r.device.devicePath == node.path;
    });
    if (node.kind == VideoNode::Kind::kMetadata) {
      line += ": not a camera, left out";
      Problem(node.path + " " + Quoted(node.name) +
              " is a metadata node, not a camera: the programs leave it out; nothing to do");
    } else if (node.kind == VideoNode::Kind::kInfrared) {
      line += ": infrared only, left out";
      Problem(node.path + " " + Quoted(node.name) +
              " gives an infrared picture only (face login): the programs leave it out; its "
              "colour camera is another node");
    } else if (listed) {
      line += ": listed";
    }
    std::printf("%s\n", line.c_str());

    if (!node.exists) {
      Problem(node.path + " is missing though the kernel has it: udev did not make it; run "
                          "\"sudo udevadm trigger --subsystem-match=video4linux\"");
    } else if (!node.accessible) {
      Problem("no read/write permission on " + node.path + ": join the group " +
              Quoted(node.group) + " (\"sudo usermod -aG " + node.group +
              " $USER\"), then log out and in again");
    }
    if (node.kind != VideoNode::Kind::kMetadata)
      for (const dshow::v4l2::NodeHolder& holder : node.holders) {
        const bool server = holder.command == "pipewire" || holder.command == "wireplumber";
        Problem(node.path + " is in use by process " + std::to_string(holder.pid) + " (" +
                holder.command + ")" +
                (server ? ": a program is watching the camera through PipeWire; "
                          "\"pw-top\" shows which, close it"
                        : ": close that program, or the camera stays busy"));
      }
    if (node.kind == VideoNode::Kind::kCapture && NeedsLibcamera(node) &&
        !dshow::HasDeviceProvider("libcameraprovider"))
      Problem(node.path + " is a raw sensor (" + node.driver +
              ") that only libcamera turns into pictures: install gstreamer1.0-libcamera");
  }
}

// One line per device a GStreamer provider reports; an infrared camera
// whose node was not seen above is a problem of its own.
void ReportProvided(const std::vector<dshow::ReportedDevice>& devices, const char* kind,
                    const std::vector<VideoNode>& nodes) {
  for (const dshow::ReportedDevice& r : devices) {
    const bool nodeSeen = std::any_of(nodes.begin(), nodes.end(), [&](const VideoNode& n) {
      return !r.device.devicePath.empty() && n.path == r.device.devicePath;
    });
    if (r.leftOut.starts_with("infrared") && !nodeSeen)
      Problem(Quoted(r.device.friendlyName) +
              " gives an infrared picture only (face login): the programs leave it out; its "
              "colour camera is another device");
    std::string line = r.provider + " " + kind + " " + Quoted(r.device.friendlyName);
    std::vector<std::string> where;
    if (!r.device.nodeName.empty()) where.push_back("node " + r.device.nodeName);
    if (!r.device.devicePath.empty()) where.push_back(r.device.devicePath);
    if (!where.empty()) line += " (" + Join(where, ", ") + ")";
    line += r.leftOut.empty() ? ": listed" : ": left out, " + r.leftOut;
    std::printf("%s\n", line.c_str());
  }
}

void ReportStacks(const std::vector<dshow::ReportedDevice>& cameras) {
  const std::string socket = dshow::pipewire::DaemonSocket();
  const bool daemon = dshow::pipewire::DaemonAnswers(socket);
  const bool plugin = dshow::HasDeviceProvider("pipewiredeviceprovider");
  std::printf("pipewire: %s at %s; GStreamer plugin %s\n", daemon ? "daemon" : "no daemon",
              socket.empty() ? "(no runtime folder)" : socket.c_str(),
              plugin ? "installed" : "missing");
  if (!daemon && DesktopUsesPipeWire())
    Problem("no PipeWire daemon answers at " + (socket.empty() ? "XDG_RUNTIME_DIR" : socket) +
            ", though this desktop delivers cameras through it: \"systemctl --user start "
            "pipewire.socket wireplumber\"");
  if (daemon && !plugin)
    Problem("PipeWire runs, but GStreamer's PipeWire plugin is missing, so the desktop's "
            "cameras and microphones are not seen: install gstreamer1.0-pipewire");
  const bool libcamera = dshow::HasDeviceProvider("libcameraprovider");
  const bool anyLibcamera = std::any_of(cameras.begin(), cameras.end(),
                                        [](const auto& r) { return r.provider == "libcamera"; });
  std::printf("libcamera: GStreamer plugin %s%s\n", libcamera ? "installed" : "not installed",
              libcamera && !anyLibcamera ? ", no cameras" : "");
}

// The programs open a camera by the beginning of its name (Velbin's engine
// and Tarrow's driver table); this says which that is.
const DeviceDescription* Opened(const std::vector<DeviceDescription>& cameras, bool tarrow) {
  for (const DeviceDescription& c : cameras) {
    const std::string& n = c.friendlyName;
    if (tarrow ? n.rfind("Lumitrex", 0) == 0 || n.rfind("Microsof", 0) == 0
               : strncasecmp(n.c_str(), "lumitrex", 8) == 0)
      return &c;
  }
  return nullptr;
}

const char* Through(const DeviceDescription& d) {
  switch (d.family) {
    case DeviceDescription::Family::Virtual: return "built in";
    case DeviceDescription::Family::PipeWire: return "through pipewire";
    case DeviceDescription::Family::V4L2: return "through v4l2";
    default: return "through another stack";
  }
}

// What the programs list and open; true when a camera of the machine is listed.
bool ReportLists() {
  const auto cameras = dshow::ListDevices(DeviceCategory::VideoInput);
  const auto microphones = dshow::ListDevices(DeviceCategory::AudioInput);
  bool hostCamera = false;
  for (std::size_t i = 0; i < cameras.size(); ++i) {
    std::printf("camera %zu %s %s\n", i, Quoted(cameras[i].friendlyName).c_str(),
                Through(cameras[i]));
    hostCamera = hostCamera || cameras[i].source == DeviceDescription::Source::HostCamera;
  }
  for (std::size_t i = 0; i < microphones.size(); ++i)
    std::printf("microphone %zu %s %s\n", i, Quoted(microphones[i].friendlyName).c_str(),
                Through(microphones[i]));
  for (bool tarrow : {false, true}) {
    const DeviceDescription* opened = Opened(cameras, tarrow);
    std::printf("%s opens %s\n", tarrow ? "Tarrow" : "Velbin",
                opened ? Quoted(opened->friendlyName).c_str() : "no camera");
  }
  const std::string names = orvane::prefix::ConfigDir() + "/devices.ini";
  for (const DeviceDescription& c : cameras)
    if (c.source == DeviceDescription::Source::HostCamera && c.friendlyName.rfind("Lumitrex", 0)) {
      const std::string key = c.devicePath.empty() ? c.nodeName : c.devicePath;
      std::printf("to have the programs open %s, add under [names] in %s: %s=Lumitrex %s\n",
                  Quoted(c.friendlyName).c_str(), names.c_str(), key.c_str(),
                  c.friendlyName.c_str());
    }
  if (!hostCamera) Problem("no camera of this machine is listed: see the lines above");
  return hostCamera;
}

}  // namespace

int DoctorCommand(int argc, char** argv) {
  dshow::v4l2::SystemRoots roots;
  for (int i = 2; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--root") && i + 1 < argc) {
      const std::string root = argv[++i];
      roots = {root + "/dev", root + "/sys", root + "/run", root + "/proc"};
    } else {
      return 2;
    }
  }
  const auto cameras = dshow::ReportedDevices(DeviceCategory::VideoInput);
  const auto microphones = dshow::ReportedDevices(DeviceCategory::AudioInput);
  const auto nodes = dshow::v4l2::ReadVideoNodes(roots);
  ReportNodes(nodes, cameras);
  ReportStacks(cameras);
  ReportProvided(cameras, "camera", nodes);
  ReportProvided(microphones, "microphone", nodes);
  const bool ok = ReportLists();
  for (const std::string& p : g_problems) std::printf("%s\n", p.c_str());
  return ok ? 0 : 1;
}
