// The V4L2 video nodes of the machine as the kernel and udev describe them,
// for telling a user why a camera is missing: /sys/class/video4linux, the
// udev database under /run/udev, the nodes in /dev, and who holds them, from
// /proc. Each root can be moved to a folder standing in for it.
//
// A node that opens is asked itself (VIDIOC_QUERYCAP, VIDIOC_ENUM_FMT);
// one that does not is described from udev's ID_V4L_CAPABILITIES.
#pragma once

#include <string>
#include <vector>

namespace dshow::v4l2 {

struct SystemRoots {
  std::string dev = "/dev";
  std::string sys = "/sys";
  std::string run = "/run";
  std::string proc = "/proc";
};

struct NodeHolder {
  int pid = 0;
  std::string command;  // /proc/PID/comm
};

struct VideoNode {
  enum class Kind {
    kCapture,   // a camera's picture
    kMetadata,  // no picture: UVC metadata, an output or a codec node
    kInfrared,  // a picture in grey only: a face-login camera
  };
  std::string path;  // the node in dev
  std::string name;  // the driver's name for it
  std::string driver;
  Kind kind = Kind::kCapture;
  std::string capabilities;  // "capture", "metadata capture", ...
  std::vector<std::string> formats;  // fourccs, when the node was asked
  bool exists = false;               // the node is in dev
  bool accessible = false;           // this user may read and write it
  std::string group;                 // the node's group
  std::vector<NodeHolder> holders;   // other processes that have it open, as far as
                                     // this user may see
};

std::vector<VideoNode> ReadVideoNodes(const SystemRoots& roots = {});

// Whether a V4L2 pixel format is a grey picture only (GREY, Y10, Y16, ...).
bool IsGreyFourcc(const std::string& fourcc);

}  // namespace dshow::v4l2
