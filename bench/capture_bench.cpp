// Capture-layer figures: recording cost against a plain GStreamer pipeline
// measured in the same run, preview rate, start-up latency, still grab.
//
//   build/bench/bench_capture [seconds per short recording, default 5]
//                             [seconds of the 1280x720 recording with preview, default 60]
#include <gst/gst.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/layerrecording.h"
#include "bench/measure.h"
#include "platform/dshow/com.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/filterbase.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/videorenderer.h"
#include "platform/system/winpath.h"

using namespace dshow;
using namespace bench;

namespace {

// The same recording as a plain pipeline in its own process: the camera's
// picture with its clock, into the file, and with a preview a second branch
// converted for painting, as the renderer converts it.
double RecordWithGstLaunch(int seconds, const std::string& file, const Shape& shape = {}) {
  const std::string caps = "video/x-raw,format=YUY2,width=" + std::to_string(shape.width) +
                           ",height=" + std::to_string(shape.height) + ",framerate=30/1";
  std::vector<std::string> args = {"gst-launch-1.0",
                                   "-q",
                                   "-e",
                                   "videotestsrc",
                                   "is-live=true",
                                   "num-buffers=" + std::to_string(seconds * 30),
                                   "!",
                                   caps,
                                   "!",
                                   "timeoverlay",
                                   "!",
                                   "tee",
                                   "name=t",
                                   "t.",
                                   "!",
                                   "queue",
                                   "!",
                                   "avimux",
                                   "!",
                                   "filesink",
                                   "location=" + file};
  if (shape.preview)
    for (const char* a :
         {"t.", "!", "queue", "leaky=downstream", "max-size-buffers=2", "!", "videoconvert", "!",
          "video/x-raw,format=BGRx", "!", "fakesink", "sync=true"})
      args.emplace_back(a);
  return RunMeasured(args) / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  CoInitialize(nullptr);
  testapi::SetDevices({testapi::VirtualCamera()}, false);
  const std::string dir = "/tmp/orvane-bench-" + std::to_string(getpid());
  std::system(("mkdir -p " + dir).c_str());

  std::vector<double> layer, baseline;
  std::vector<std::string> runs;
  for (int run = 0; run < 3; ++run) {
    Recorded r;
    layer.push_back(RecordThroughLayer(seconds, dir + "/layer.avi", &r));
    char line[160];
    std::snprintf(line, sizeof line,
                  "  run %d:    %ld frames made by the camera, %ld offered to the file, %ld "
                  "written; %.0f expected from %.2f s Run to the end of Stop\n",
                  run + 1, r.produced, r.offered, r.written, r.wall * 30, r.wall);
    runs.push_back(line);
    baseline.push_back(RecordWithGstLaunch(seconds, dir + "/baseline.avi"));
  }
  std::printf("record 640x480 YUY2 30 fps, %d s x 3 runs\n", seconds);
  std::printf("  layer:    %.4f CPU s per recorded s (median)\n", Median(layer));
  std::printf("  baseline: %.4f CPU s per recorded s (median, gst-launch)\n", Median(baseline));
  std::printf("  ratio:    %.2f\n", Median(layer) / std::max(1e-6, Median(baseline)));
  for (const std::string& line : runs) std::printf("%s", line.c_str());

  // 1280x720 with the preview painting beside the file, as the programs
  // record: no frame may be dropped, and the cost is set against a plain
  // pipeline of the same two branches.
  {
    QWidget owner;
    owner.resize(420 - 6, 327 - 6);  // the frame window's client area
    owner.show();
    const int longSeconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 60;
    const Shape hd{1280, 720, &owner};
    Recorded r;
    const double cost = RecordThroughLayer(longSeconds, dir + "/hd.avi", &r, hd);
    const double plain = RecordWithGstLaunch(longSeconds, dir + "/hd-baseline.avi", hd);
    std::printf("record 1280x720 YUY2 30 fps with the preview, %d s\n", longSeconds);
    std::printf("  frames: %ld made by the camera, %ld offered to the file, %ld written\n",
                r.produced, r.offered, r.written);
    std::printf("  layer:    %.4f CPU s per recorded s\n", cost);
    std::printf("  baseline: %.4f CPU s per recorded s (gst-launch, the same two branches)\n",
                plain);
    std::printf("  ratio:    %.2f\n", cost / std::max(1e-6, plain));
  }

  // Preview at 1280x720 into a shown widget: painted frames per second, and
  // the time from Run to the first painted frame.
  QWidget owner;
  owner.resize(1320, 760);
  owner.show();
  std::vector<double> firstFrame;
  double paintedPerSecond = 0;
  for (int run = 0; run < 5; ++run) {
    Session s = OpenCamera(VideoFormat{SubType::YUY2, 1280, 720, 333333});
    s.builder->RenderStream(PinCategory::Preview, s.camera, nullptr, nullptr);
    Ref<IVideoWindow> window;
    s.builder->FindVideoWindow(PinCategory::Preview, s.camera, &window);
    window->put_Owner(&owner);
    window->SetWindowPosition(20, 18, 1280, 720);
    window->put_Visible(OATRUE);
    auto renderer = std::dynamic_pointer_cast<VideoRenderer>(window);
    QElapsedTimer timer;
    timer.start();
    s.control->Run();
    while (renderer->widget()->paintedFrames() == 0 && timer.elapsed() < 5000) Pump(1);
    firstFrame.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    if (run == 0) {
      const auto start = renderer->widget()->paintedFrames();
      Pump(3000);
      paintedPerSecond = static_cast<double>(renderer->widget()->paintedFrames() - start) / 3.0;
    }
    s.control->Stop();
  }
  std::printf("preview 1280x720 at 30 fps: %.1f painted frames per second\n", paintedPerSecond);
  std::printf("Run to first painted frame: %.1f ms (median of 5)\n", Median(firstFrame));

  // The still grab of a 640x480 frame while paused.
  Session s = OpenCamera(VideoFormat{SubType::YUY2, 640, 480, 333333});
  s.builder->RenderStream(PinCategory::Preview, s.camera, nullptr, nullptr);
  Ref<IVideoWindow> window;
  s.builder->FindVideoWindow(PinCategory::Preview, s.camera, &window);
  auto renderer = std::dynamic_pointer_cast<VideoRenderer>(window);
  s.control->Run();
  while (renderer->widget()->receivedFrames() == 0) Pump(5);
  s.control->Pause();
  std::vector<long> buffer(640 * 480);
  std::vector<double> grabs;
  for (int i = 0; i < 50; ++i) {
    long size = static_cast<long>(buffer.size() * sizeof(long));
    auto t0 = std::chrono::steady_clock::now();
    renderer->GetCurrentImage(&size, buffer.data());
    grabs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  s.control->Stop();
  std::printf("GetCurrentImage 640x480: %.2f ms (median of 50)\n", Median(grabs));
  std::system(("rm -rf " + dir).c_str());
  CoUninitialize();
  return 0;
}
