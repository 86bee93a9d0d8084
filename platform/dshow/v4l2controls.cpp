#include "platform/dshow/v4l2controls.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>

namespace dshow::v4l2 {

namespace {

class HostNode : public ControlNode {
 public:
  explicit HostNode(int fd) : m_fd(fd) {}
  ~HostNode() override { close(m_fd); }
  int Ioctl(unsigned long request, void* argument) override {
    int r;
    do r = ioctl(m_fd, request, argument);
    while (r < 0 && errno == EINTR);
    return r;
  }

 private:
  int m_fd;
};

std::mutex g_openerLock;
std::function<std::unique_ptr<ControlNode>(const std::string&)> g_opener;

std::unique_ptr<ControlNode> OpenNode(const std::string& path) {
  {
    std::lock_guard guard(g_openerLock);
    if (g_opener) return g_opener(path);
  }
  // Controls only: opening does not take the camera from whoever streams it.
  const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::make_unique<HostNode>(fd);
}

}  // namespace

std::unique_ptr<NodeControls> NodeControls::Open(const std::string& path) {
  if (path.empty()) return nullptr;
  std::unique_ptr<ControlNode> node = OpenNode(path);
  if (!node) return nullptr;
  auto controls = std::make_unique<NodeControls>(std::move(node));
  if (controls->List().empty()) return nullptr;
  return controls;
}

std::optional<Control> NodeControls::Describe(const v4l2_queryctrl& query) {
  Control c;
  switch (query.type) {
    case V4L2_CTRL_TYPE_INTEGER: c.type = Control::Type::kInteger; break;
    case V4L2_CTRL_TYPE_BOOLEAN: c.type = Control::Type::kBoolean; break;
    case V4L2_CTRL_TYPE_MENU: c.type = Control::Type::kMenu; break;
    default: return std::nullopt;  // class headings, buttons, strings
  }
  if (query.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) return std::nullopt;
  c.id = query.id;
  c.name.assign(reinterpret_cast<const char*>(query.name),
                strnlen(reinterpret_cast<const char*>(query.name), sizeof query.name));
  c.min = query.minimum;
  c.max = query.maximum;
  c.step = query.step > 0 ? query.step : 1;
  c.defaultValue = query.default_value;
  if (c.type == Control::Type::kMenu) {
    for (long i = c.min; i <= c.max && i - c.min < 64; ++i) {
      v4l2_querymenu item{};
      item.id = c.id;
      item.index = static_cast<__u32>(i);
      // Entries a driver does not offer are refused: they are left out.
      if (m_node->Ioctl(VIDIOC_QUERYMENU, &item) == 0)
        c.items.emplace_back(i, reinterpret_cast<const char*>(item.name));
    }
    if (c.items.empty()) return std::nullopt;
  }
  return c;
}

std::vector<Control> NodeControls::List() {
  std::vector<Control> controls;
  v4l2_queryctrl query{};
  query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
  // A driver lists a few dozen; the bound guards against one that loops.
  for (int n = 0; n < 256 && m_node->Ioctl(VIDIOC_QUERYCTRL, &query) == 0; ++n) {
    if (std::optional<Control> c = Describe(query)) controls.push_back(std::move(*c));
    query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
  }
  return controls;
}

std::optional<Control> NodeControls::Find(std::uint32_t id) {
  v4l2_queryctrl query{};
  query.id = id;
  if (m_node->Ioctl(VIDIOC_QUERYCTRL, &query) < 0) return std::nullopt;
  return Describe(query);
}

std::optional<long> NodeControls::Get(std::uint32_t id) {
  v4l2_control control{};
  control.id = id;
  if (m_node->Ioctl(VIDIOC_G_CTRL, &control) < 0) return std::nullopt;
  return control.value;
}

bool NodeControls::Set(std::uint32_t id, long value) {
  v4l2_control control{};
  control.id = id;
  control.value = static_cast<__s32>(value);
  return m_node->Ioctl(VIDIOC_S_CTRL, &control) == 0;
}

std::optional<std::pair<std::uint32_t, long>> NodeControls::AutomaticOf(std::uint32_t id) {
  switch (id) {
    case V4L2_CID_WHITE_BALANCE_TEMPERATURE: return std::pair{V4L2_CID_AUTO_WHITE_BALANCE, 0L};
    case V4L2_CID_HUE: return std::pair{V4L2_CID_HUE_AUTO, 0L};
    case V4L2_CID_GAIN: return std::pair{V4L2_CID_AUTOGAIN, 0L};
    case V4L2_CID_EXPOSURE_ABSOLUTE:
      return std::pair{V4L2_CID_EXPOSURE_AUTO, static_cast<long>(V4L2_EXPOSURE_MANUAL)};
    case V4L2_CID_FOCUS_ABSOLUTE: return std::pair{V4L2_CID_FOCUS_AUTO, 0L};
    default: return std::nullopt;
  }
}

}  // namespace dshow::v4l2

namespace dshow::testapi {

void SetControlNodeOpener(
    std::function<std::unique_ptr<v4l2::ControlNode>(const std::string& path)> opener) {
  std::lock_guard guard(v4l2::g_openerLock);
  v4l2::g_opener = std::move(opener);
}

}  // namespace dshow::testapi
