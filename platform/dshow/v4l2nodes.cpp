#include "platform/dshow/v4l2nodes.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <regex>

namespace dshow::v4l2 {

namespace {

std::string FirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

std::string LinkTarget(const std::string& path) {
  char target[4096];
  const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* e = readdir(dir))
      if (e->d_name[0] != '.') names.emplace_back(e->d_name);
    closedir(dir);
  }
  return names;
}

std::string Fourcc(__u32 code) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>((code >> (8 * i)) & 0xff);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

int Ioctl(int fd, unsigned long request, void* arg) {
  int r;
  do r = ioctl(fd, request, arg);
  while (r < 0 && errno == EINTR);
  return r;
}

// Asks the node itself; false when it cannot be opened or is no V4L2 node.
bool Query(VideoNode* node) {
  const int fd = open(node->path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  v4l2_capability cap{};
  if (Ioctl(fd, VIDIOC_QUERYCAP, &cap) < 0) {
    close(fd);
    return false;
  }
  const __u32 caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
  const bool capture = caps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_VIDEO_CAPTURE_MPLANE);
  const bool meta = caps & V4L2_CAP_META_CAPTURE;
  node->capabilities = capture && meta ? "capture, metadata capture"
                       : capture       ? "capture"
                       : meta          ? "metadata capture"
                                       : "no capture";
  node->kind = capture ? VideoNode::Kind::kCapture : VideoNode::Kind::kMetadata;
  if (node->name.empty()) node->name = reinterpret_cast<const char*>(cap.card);
  if (capture) {
    const __u32 type = (caps & V4L2_CAP_VIDEO_CAPTURE) ? V4L2_BUF_TYPE_VIDEO_CAPTURE
                                                      : V4L2_BUF_TYPE_VIDEO_CAPTURE_MPLANE;
    for (__u32 i = 0; i < 64; ++i) {
      v4l2_fmtdesc format{};
      format.index = i;
      format.type = type;
      if (Ioctl(fd, VIDIOC_ENUM_FMT, &format) < 0) break;
      node->formats.push_back(Fourcc(format.pixelformat));
    }
    if (!node->formats.empty() &&
        std::all_of(node->formats.begin(), node->formats.end(), IsGreyFourcc))
      node->kind = VideoNode::Kind::kInfrared;
  }
  close(fd);
  return true;
}

// What udev's v4l_id found when the node appeared: ":capture:" and the like.
void DescribeFromUdev(const SystemRoots& roots, const std::string& sysNode, VideoNode* node) {
  const std::string number = FirstLine(sysNode + "/dev");  // "81:0"
  std::ifstream in(roots.run + "/udev/data/c" + number);
  std::string line, caps;
  bool known = false;
  while (std::getline(in, line))
    if (line.rfind("E:ID_V4L_CAPABILITIES=", 0) == 0) {
      caps = line.substr(22);
      known = true;
    }
  if (!known) {
    node->capabilities = "not known";
    return;
  }
  const bool capture = caps.find(":capture:") != std::string::npos;
  node->capabilities = capture ? "capture" : "no capture";
  node->kind = capture ? VideoNode::Kind::kCapture : VideoNode::Kind::kMetadata;
  // Without its formats, a face-login camera shows in its name only.
  static const std::regex infrared("(^|[^A-Za-z])IR([^A-Za-z]|$)|[Ii]nfra-?[Rr]ed");
  if (capture && std::regex_search(node->name, infrared)) node->kind = VideoNode::Kind::kInfrared;
}

std::string GroupName(gid_t gid) {
  group entry{};
  group* found = nullptr;
  char buffer[4096];
  if (getgrgid_r(gid, &entry, buffer, sizeof buffer, &found) == 0 && found) return found->gr_name;
  return std::to_string(gid);
}

// Processes that have one of the nodes open, by the links in /proc/PID/fd.
void FindHolders(const SystemRoots& roots, std::vector<VideoNode>* nodes) {
  const std::string self = std::to_string(getpid());
  for (const std::string& pid : Entries(roots.proc)) {
    if (pid == self || !std::all_of(pid.begin(), pid.end(), ::isdigit)) continue;
    const std::string fdFolder = roots.proc + "/" + pid + "/fd";
    for (const std::string& fd : Entries(fdFolder)) {
      const std::string target = LinkTarget(fdFolder + "/" + fd);
      for (VideoNode& node : *nodes) {
        if (target != node.path) continue;
        const int id = std::stoi(pid);
        if (std::none_of(node.holders.begin(), node.holders.end(),
                         [id](const NodeHolder& h) { return h.pid == id; }))
          node.holders.push_back({id, FirstLine(roots.proc + "/" + pid + "/comm")});
      }
    }
  }
}

// video10 after video9.
bool NodeOrder(const std::string& a, const std::string& b) {
  return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace

bool IsGreyFourcc(const std::string& fourcc) {
  static const char* const kGrey[] = {"GREY", "Y04", "Y06", "Y10", "Y12", "Y14", "Y16",
                                      "Y10B", "Y10P", "Y8I", "Y12I", "Y16I"};
  return std::find(std::begin(kGrey), std::end(kGrey), fourcc) != std::end(kGrey);
}

std::vector<VideoNode> ReadVideoNodes(const SystemRoots& roots) {
  const std::string classFolder = roots.sys + "/class/video4linux";
  std::vector<std::string> names = Entries(classFolder);
  std::erase_if(names, [](const std::string& n) { return n.rfind("video", 0) != 0; });
  std::sort(names.begin(), names.end(), NodeOrder);
  std::vector<VideoNode> nodes;
  for (const std::string& name : names) {
    const std::string sysNode = classFolder + "/" + name;
    VideoNode node;
    node.path = roots.dev + "/" + name;
    node.name = FirstLine(sysNode + "/name");
    const std::string driver = LinkTarget(sysNode + "/device/driver");
    node.driver = driver.substr(driver.find_last_of('/') + 1);
    struct stat st {};
    node.exists = stat(node.path.c_str(), &st) == 0;
    if (node.exists) {
      node.accessible = access(node.path.c_str(), R_OK | W_OK) == 0;
      node.group = GroupName(st.st_gid);
    }
    if (!node.accessible || !Query(&node)) DescribeFromUdev(roots, sysNode, &node);
    nodes.push_back(std::move(node));
  }
  FindHolders(roots, &nodes);
  return nodes;
}

}  // namespace dshow::v4l2
