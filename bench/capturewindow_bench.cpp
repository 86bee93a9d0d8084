// The capture window's recording cost against the capture layer's own
// recording, measured in the same run: a background sequence at 640x480,
// 30 fps, with the preview painting, as Tarrow records.
//
//   build/bench/bench_capturewindow [seconds per recording, default 60] [runs, default 1]
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/layerrecording.h"
#include "bench/measure.h"
#include "platform/dshow/devices.h"
#include "platform/system/winpath.h"
#include "platform/vfw/capturewindow.h"
#include "tests/support/capturewindowdialogs.h"

namespace {

struct Sequence {
  double cpuPerSecond = 0;
  long offered = 0;  // frames the window handed to the file (its status)
  long written = 0;  // frames in the file (ffprobe)
  double wall = 0;
};

Sequence RecordThroughWindow(int seconds, const std::string& file, QWidget* parent) {
  HWND window = capCreateCaptureWindowA("Video Capture Window", kCapWsChild | kCapWsVisible, 0, 0,
                                        640, 480, parent, 1);
  SendMessage(window, WM_CAP_DRIVER_CONNECT, 0, 0);
  orvane::test::AnswerFormatDialog("640 x 480 YUY2");
  SendMessage(window, WM_CAP_DLG_VIDEOFORMAT, 0, 0);
  SendMessage(window, WM_CAP_SET_PREVIEWRATE, 33, 0);
  SendMessage(window, WM_CAP_SET_PREVIEW, 1, 0);
  const std::string windowsFile = orvane::winpath::FromHost(file);
  SendMessage(window, WM_CAP_FILE_SET_CAPTURE_FILEA, 0,
              reinterpret_cast<LPARAM>(windowsFile.c_str()));
  CAPTUREPARMS params{};
  SendMessage(window, WM_CAP_GET_SEQUENCE_SETUP, sizeof params, reinterpret_cast<LPARAM>(&params));
  params.dwRequestMicroSecPerFrame = 33333;
  params.fYield = TRUE;
  params.fCaptureAudio = FALSE;
  params.fAbortLeftMouse = params.fAbortRightMouse = FALSE;
  params.fLimitEnabled = TRUE;
  params.wTimeLimit = static_cast<UINT>(seconds);
  SendMessage(window, WM_CAP_SET_SEQUENCE_SETUP, sizeof params, reinterpret_cast<LPARAM>(&params));
  bench::Idle(1000);  // the preview settles first

  Sequence result;
  const double before = bench::SelfCpu();
  QElapsedTimer timer;
  timer.start();
  SendMessage(window, WM_CAP_SEQUENCE, 0, 0);
  CAPSTATUS status{};
  do {
    bench::Idle(100);
    SendMessage(window, WM_CAP_GET_STATUS, sizeof status, reinterpret_cast<LPARAM>(&status));
  } while (status.fCapturingNow);
  result.wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  result.cpuPerSecond = (bench::SelfCpu() - before) / seconds;
  result.offered = status.dwCurrentVideoFrame;
  result.written = bench::FramesIn(file);
  delete window;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
  dshow::testapi::SetDevices({dshow::testapi::VirtualCamera()}, false);
  const std::string dir = "/tmp/orvane-bench-" + std::to_string(getpid());
  std::system(("mkdir -p " + dir).c_str());

  QWidget owner;
  owner.resize(429, 403);
  owner.show();
  std::vector<double> window, layer;
  std::vector<std::string> lines;
  for (int run = 0; run < runs; ++run) {
    const Sequence s = RecordThroughWindow(seconds, dir + "/window.avi", &owner);
    window.push_back(s.cpuPerSecond);
    bench::Recorded r;
    layer.push_back(
        bench::RecordThroughLayer(seconds, dir + "/layer.avi", &r, bench::Shape{640, 480, &owner}));
    char line[200];
    std::snprintf(line, sizeof line,
                  "  run %d: window %ld offered, %ld written, %.0f expected from %.2f s; "
                  "layer %ld offered, %ld written\n",
                  run + 1, s.offered, s.written, s.wall * 30, s.wall, r.offered, r.written);
    lines.push_back(line);
  }
  std::printf("background sequence 640x480 YUY2 30 fps with the preview, %d s x %d run(s)\n",
              seconds, runs);
  std::printf("  capture window: %.4f CPU s per recorded s (median)\n", bench::Median(window));
  std::printf("  capture layer:  %.4f CPU s per recorded s (median, same shape)\n",
              bench::Median(layer));
  std::printf("  ratio:          %.2f\n",
              bench::Median(window) / std::max(1e-6, bench::Median(layer)));
  for (const std::string& line : lines) std::printf("%s", line.c_str());
  std::system(("rm -rf " + dir).c_str());
  return 0;
}
