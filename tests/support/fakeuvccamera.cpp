#include "tests/support/fakeuvccamera.h"

#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace orvane::test {

namespace {

struct Definition {
  std::uint32_t id;
  const char* name;
  std::uint32_t type;
  long min, max, step, defaultValue;
  std::vector<std::pair<long, const char*>> items;
  std::uint32_t master = 0;  // the automatic mode that drives it
  long manual = 0;           // the master's value that lets go
};

const std::vector<Definition>& Definitions() {
  static const std::vector<Definition> kDefinitions = {
      {V4L2_CID_USER_CLASS, "User Controls", V4L2_CTRL_TYPE_CTRL_CLASS, 0, 0, 0, 0, {}},
      {V4L2_CID_BRIGHTNESS, "Brightness", V4L2_CTRL_TYPE_INTEGER, 0, 255, 1, 128, {}},
      {V4L2_CID_CONTRAST, "Contrast", V4L2_CTRL_TYPE_INTEGER, 0, 255, 1, 32, {}},
      {V4L2_CID_SATURATION, "Saturation", V4L2_CTRL_TYPE_INTEGER, 0, 255, 1, 32, {}},
      {V4L2_CID_AUTO_WHITE_BALANCE, "White Balance, Automatic", V4L2_CTRL_TYPE_BOOLEAN, 0, 1, 1,
       1, {}},
      {V4L2_CID_GAIN, "Gain", V4L2_CTRL_TYPE_INTEGER, 0, 255, 1, 0, {}},
      {V4L2_CID_POWER_LINE_FREQUENCY, "Power Line Frequency", V4L2_CTRL_TYPE_MENU, 0, 2, 1, 2,
       {{0, "Disabled"}, {1, "50 Hz"}, {2, "60 Hz"}}},
      {V4L2_CID_WHITE_BALANCE_TEMPERATURE, "White Balance Temperature", V4L2_CTRL_TYPE_INTEGER,
       2800, 6500, 10, 4000, {}, V4L2_CID_AUTO_WHITE_BALANCE, 0},
      {V4L2_CID_SHARPNESS, "Sharpness", V4L2_CTRL_TYPE_INTEGER, 0, 255, 1, 24, {}},
      {V4L2_CID_BACKLIGHT_COMPENSATION, "Backlight Compensation", V4L2_CTRL_TYPE_INTEGER, 0, 1,
       1, 0, {}},
      {V4L2_CID_CAMERA_CLASS, "Camera Controls", V4L2_CTRL_TYPE_CTRL_CLASS, 0, 0, 0, 0, {}},
      {V4L2_CID_EXPOSURE_AUTO, "Auto Exposure", V4L2_CTRL_TYPE_MENU, 0, 3, 1, 3,
       {{1, "Manual Mode"}, {3, "Aperture Priority Mode"}}},
      {V4L2_CID_EXPOSURE_ABSOLUTE, "Exposure Time, Absolute", V4L2_CTRL_TYPE_INTEGER, 1, 10000,
       1, 166, {}, V4L2_CID_EXPOSURE_AUTO, V4L2_EXPOSURE_MANUAL},
      {V4L2_CID_EXPOSURE_AUTO_PRIORITY, "Exposure, Dynamic Framerate", V4L2_CTRL_TYPE_BOOLEAN, 0,
       1, 1, 0, {}},
  };
  return kDefinitions;
}

const Definition* Find(std::uint32_t id) {
  for (const Definition& d : Definitions())
    if (d.id == id) return &d;
  return nullptr;
}

int Fail(int code) {
  errno = code;
  return -1;
}

}  // namespace

struct FakeUvcCamera::State {
  std::map<std::uint32_t, long> values;
  void Reset() {
    values.clear();
    for (const Definition& d : Definitions()) values[d.id] = d.defaultValue;
  }
  bool Driven(const Definition& d) const { return d.master && values.at(d.master) != d.manual; }

  int Query(v4l2_queryctrl* q) const {
    const bool next = q->id & V4L2_CTRL_FLAG_NEXT_CTRL;
    const std::uint32_t from = q->id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
    const Definition* found = nullptr;
    for (const Definition& d : Definitions())
      if (next ? d.id > from && (!found || d.id < found->id) : d.id == from) found = &d;
    if (!found) return Fail(EINVAL);
    std::memset(q, 0, sizeof *q);
    q->id = found->id;
    q->type = found->type;
    std::strncpy(reinterpret_cast<char*>(q->name), found->name, sizeof q->name - 1);
    q->minimum = static_cast<__s32>(found->min);
    q->maximum = static_cast<__s32>(found->max);
    q->step = static_cast<__s32>(found->step);
    q->default_value = static_cast<__s32>(found->defaultValue);
    if (found->type == V4L2_CTRL_TYPE_CTRL_CLASS)
      q->flags = V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY;
    if (Driven(*found)) q->flags |= V4L2_CTRL_FLAG_INACTIVE;
    return 0;
  }

  int Ioctl(unsigned long request, void* argument) {
    if (request == VIDIOC_QUERYCTRL) return Query(static_cast<v4l2_queryctrl*>(argument));
    if (request == VIDIOC_QUERYMENU) {
      auto* m = static_cast<v4l2_querymenu*>(argument);
      const Definition* d = Find(m->id);
      if (!d || d->type != V4L2_CTRL_TYPE_MENU) return Fail(EINVAL);
      for (const auto& [index, name] : d->items)
        if (index == static_cast<long>(m->index)) {
          std::memset(m->name, 0, sizeof m->name);
          std::strncpy(reinterpret_cast<char*>(m->name), name, sizeof m->name - 1);
          return 0;
        }
      return Fail(EINVAL);
    }
    if (request == VIDIOC_G_CTRL || request == VIDIOC_S_CTRL) {
      auto* c = static_cast<v4l2_control*>(argument);
      const Definition* d = Find(c->id);
      if (!d) return Fail(EINVAL);
      if (d->type == V4L2_CTRL_TYPE_CTRL_CLASS) return Fail(EACCES);
      if (request == VIDIOC_G_CTRL) {
        c->value = static_cast<__s32>(values.at(d->id));
        return 0;
      }
      if (Driven(*d)) return Fail(EACCES);
      long v = c->value;
      if (d->type == V4L2_CTRL_TYPE_MENU) {
        if (std::none_of(d->items.begin(), d->items.end(),
                         [v](const auto& item) { return item.first == v; }))
          return Fail(EINVAL);
      } else {
        v = std::clamp(v, d->min, d->max);
        v = d->min + (v - d->min + d->step / 2) / d->step * d->step;
      }
      values[d->id] = v;
      c->value = static_cast<__s32>(v);
      return 0;
    }
    return Fail(ENOTTY);
  }
};

namespace {

class Node : public dshow::v4l2::ControlNode {
 public:
  explicit Node(std::shared_ptr<FakeUvcCamera::State> state) : m_state(std::move(state)) {}
  int Ioctl(unsigned long request, void* argument) override {
    return m_state->Ioctl(request, argument);
  }

 private:
  std::shared_ptr<FakeUvcCamera::State> m_state;
};

}  // namespace

FakeUvcCamera::FakeUvcCamera() : m_state(std::make_shared<State>()) { m_state->Reset(); }
FakeUvcCamera::~FakeUvcCamera() = default;

std::unique_ptr<dshow::v4l2::ControlNode> FakeUvcCamera::Open() {
  return std::make_unique<Node>(m_state);
}

long FakeUvcCamera::value(std::uint32_t id) const { return m_state->values.at(id); }

void FakeUvcCamera::Replug() { m_state->Reset(); }

}  // namespace orvane::test
