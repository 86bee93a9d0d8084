// The control node of a USB webcam as uvcvideo presents it (tests only),
// for the one thing a test machine cannot have: a V4L2 device. Its
// controls, names and answers are a common webcam's under Linux 6.1:
// integers clamped to their range, menus with gaps (QUERYMENU refuses the
// entries the camera lacks), a class heading to skip, and a value set on a
// control its automatic mode drives refused with EACCES. Its values live
// as long as the camera, across opens; Replug() brings the defaults back.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/dshow/v4l2controls.h"

namespace orvane::test {

class FakeUvcCamera {
 public:
  FakeUvcCamera();
  ~FakeUvcCamera();
  std::unique_ptr<dshow::v4l2::ControlNode> Open();
  long value(std::uint32_t id) const;
  void Replug();

  struct State;

 private:
  std::shared_ptr<State> m_state;
};

}  // namespace orvane::test
