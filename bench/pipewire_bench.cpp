// Recording from a PipeWire camera, as GNOME and KDE deliver it: 1280x720 at
// 30 fps with the preview painting, through the capture layer, against
// gst-launch-1.0 with pipewiresrc and the same two branches in the same run;
// and the frames lost on the way. The camera is a private PipeWire
// session's (pwtestnode, offering 30/1 and 15/1), so the daemons' own CPU
// counts for neither side.
//
//   build/bench/bench_pipewire [seconds, default 60]
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/layerrecording.h"
#include "bench/measure.h"
#include "platform/dshow/com.h"
#include "platform/dshow/devices.h"
#include "tests/support/privatepipewire.h"

using namespace dshow;
using namespace bench;

namespace {

// The camera's own count of what it sent, as pwtestnode prints it at its end.
void CameraCount(const std::string& output, long* sent, long* lost) {
  const auto at = output.find("camera frames:");
  if (at == std::string::npos ||
      std::sscanf(output.c_str() + at, "camera frames: %ld sent, %ld lost", sent, lost) != 2)
    *sent = *lost = -1;
}

int PublishCamera(orvane::test::PrivatePipeWire& session) {
  const int node = session.Publish({"--camera", "Bench Camera", "--size", "1280x720"});
  for (int i = 0; i < 250 && node >= 0 && ListDevices(DeviceCategory::VideoInput).empty(); ++i)
    Pump(20);
  return node;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  orvane::test::PrivatePipeWire session;
  if (!session.running()) {
    std::fprintf(stderr, "bench_pipewire: %s\n", session.error().c_str());
    return 1;
  }
  CoInitialize(nullptr);
  testapi::SetDevices({}, true);
  const std::string dir = "/tmp/orvane-bench-" + std::to_string(getpid());
  std::system(("mkdir -p " + dir).c_str());

  // Through the layer, as the programs record.
  int node = PublishCamera(session);
  if (node < 0 || ListDevices(DeviceCategory::VideoInput).empty()) {
    std::fprintf(stderr, "bench_pipewire: the camera did not appear\n");
    return 1;
  }
  const std::string nodeName = ListDevices(DeviceCategory::VideoInput).front().nodeName;
  QWidget owner;
  owner.resize(420 - 6, 327 - 6);  // the frame window's client area
  owner.show();
  Recorded r;
  const double cost = RecordThroughLayer(seconds, dir + "/layer.avi", &r, {1280, 720, &owner});
  long sent = 0, lost = 0;
  CameraCount(session.Unpublish(node), &sent, &lost);

  // The same two branches as a plain pipeline on a camera of its own.
  node = PublishCamera(session);
  const std::string target = ListDevices(DeviceCategory::VideoInput).front().nodeName;
  const double plain =
      RunMeasured({"gst-launch-1.0", "-q", "-e", "pipewiresrc", "target-object=" + target,
                   "always-copy=true", "num-buffers=" + std::to_string(seconds * 30), "!",
                   "video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1", "!", "tee",
                   "name=t", "t.", "!", "queue", "!", "avimux", "!", "filesink",
                   "location=" + dir + "/baseline.avi", "t.", "!", "queue", "leaky=downstream",
                   "max-size-buffers=2", "!", "videoconvert", "!", "video/x-raw,format=BGRx", "!",
                   "fakesink", "sync=true"}) /
      seconds;
  long baselineSent = 0, baselineLost = 0;
  CameraCount(session.Unpublish(node), &baselineSent, &baselineLost);

  std::printf("record 1280x720 YUY2 30 fps with the preview from a PipeWire camera, %d s\n",
              seconds);
  std::printf("  camera:   %ld frames sent, %ld lost for want of a free buffer\n", sent, lost);
  std::printf("  frames:   %ld reached the layer, %ld offered to the file, %ld written"
              " (%ld lost)\n",
              r.produced, r.offered, r.written, std::max(0L, sent - r.written) + lost);
  std::printf("  layer:    %.4f CPU s per recorded s\n", cost);
  std::printf("  baseline: %.4f CPU s per recorded s (gst-launch pipewiresrc, the same two"
              " branches; %ld frames written, %ld lost at the camera)\n",
              plain, FramesIn(dir + "/baseline.avi"), baselineLost);
  std::printf("  ratio:    %.2f\n", cost / std::max(1e-6, plain));
  std::printf("  node:     %s\n", nodeName.c_str());
  std::system(("rm -rf " + dir).c_str());
  CoUninitialize();
  return 0;
}
