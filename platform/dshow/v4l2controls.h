// The controls of a camera V4L2 drives, through its node (internal): what
// Source... offers for such a camera, whether the programs reach it through
// v4l2src or through PipeWire, which passes on no controls of its own.
//
// Controls keep their values in the driver between opens; a replugged
// camera starts from its defaults. A value set on a control that its
// automatic mode drives is refused (EACCES), as uvcvideo does: the
// automatic mode is switched off first.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct v4l2_queryctrl;

namespace dshow::v4l2 {

// The node's ioctl, for the control requests (VIDIOC_QUERYCTRL, _QUERYMENU,
// _G_CTRL, _S_CTRL): -1 with errno set on failure.
class ControlNode {
 public:
  virtual ~ControlNode() = default;
  virtual int Ioctl(unsigned long request, void* argument) = 0;
};

struct Control {
  enum class Type { kInteger, kBoolean, kMenu };
  std::uint32_t id = 0;
  std::string name;
  Type type = Type::kInteger;
  long min = 0, max = 0, step = 1, defaultValue = 0;
  std::vector<std::pair<long, std::string>> items;  // a menu's entries
};

class NodeControls {
 public:
  // Null when the node cannot be opened or has no controls a user sets.
  static std::unique_ptr<NodeControls> Open(const std::string& path);
  explicit NodeControls(std::unique_ptr<ControlNode> node) : m_node(std::move(node)) {}

  // Integer, boolean and menu controls that can be written, in the
  // driver's order.
  std::vector<Control> List();
  std::optional<Control> Find(std::uint32_t id);
  std::optional<long> Get(std::uint32_t id);
  bool Set(std::uint32_t id, long value);

  // The control whose automatic mode drives this one, and the value of it
  // that means manual (white balance temperature: its automatic switch, 0).
  static std::optional<std::pair<std::uint32_t, long>> AutomaticOf(std::uint32_t id);

 private:
  std::optional<Control> Describe(const v4l2_queryctrl& query);
  std::unique_ptr<ControlNode> m_node;
};

}  // namespace dshow::v4l2

namespace dshow::testapi {

// Tests: opens the control node of a device path instead of the host's
// (null: the path has none). An empty function restores the host's.
void SetControlNodeOpener(
    std::function<std::unique_ptr<v4l2::ControlNode>(const std::string& path)> opener);

}  // namespace dshow::testapi
