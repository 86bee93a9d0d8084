// Velbin's windows as a user feels them:
// - start-up: from the process's start to the first camera frame painted in
//   the frame window (a fresh process each time), median of 5;
// - photo: from the command to the closed file, at 640x480 and 1280x720,
//   against the fixed 100 ms pause of the grab, median of 5;
// - preview at 1280x720, 30 fps: frames painted per second in the frame
//   window, and the CPU it costs against a plain pipeline from the same
//   camera that scales and converts its frames to the painted size, in
//   alternating rounds of the same run (median ratio); and minimised.
//
//   build/bench/bench_velbin            (on the display in DISPLAY, e.g. Xvfb;
//                                        QT_QPA_PLATFORM=offscreen works too)
#include <gst/gst.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "dshow_edition/stillwriter.h"
#include "dshow_edition/videoframewnd.h"
#include "dshow_edition/viewerdialog.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/videorenderer.h"
#include "platform/ui/resources.h"
#include "resources/velbin/velbinresources.h"

using namespace dshow;

using bench::Median;

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

VideoRenderer* Renderer() { return dynamic_cast<VideoRenderer*>(GraphState().videoWindow.get()); }

bool WaitForPaint(long frames, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < timeoutMs) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (Renderer() && static_cast<long>(Renderer()->widget()->paintedFrames()) >= frames)
      return true;
    QThread::msleep(1);
  }
  return false;
}

void SetCamera(const VideoFormat& format) {
  HaltPreview();
  DismantleGraph();
  AM_MEDIA_TYPE* type = ToMediaType(format);
  GraphState().videoStreamConfig->SetFormat(type);
  DeleteMediaType(type);
  Settings().UseFrameRate = 0;
  AssemblePreviewGraph(g_VideoFrameWnd->client());
  RunPreview();
}

// The child: starts the program's windows and says when the first frame is up.
int StartUpChild() {
  ViewerDialog dialog;
  dialog.Create();
  dialog.show();
  if (!WaitForPaint(1, 10000)) return 1;
  std::printf("1\n");
  std::fflush(stdout);
  return 0;
}

// From the fork to the child's word that its first frame is painted, timed
// here to the microsecond (the process's own start time is known to 10 ms).
double StartUpOnce(const char* self) {
  int out[2];
  if (pipe(out) != 0) return -1;
  QElapsedTimer timer;
  timer.start();
  const pid_t child = fork();
  if (child == 0) {
    dup2(out[1], 1);
    execl(self, self, "--start-up", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(out[1]);
  char text[64] = {};
  const ssize_t n = read(out[0], text, sizeof text - 1);
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return n > 0 && std::atoi(text) == 1 ? seconds : -1;
}

// The program's own event loop, as it runs between events: no polling of
// the bench's own that would cost CPU of its own.
void RunEventLoopFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

double PhotoSeconds() {
  const std::string path = NextPhotoPath();
  QElapsedTimer timer;
  timer.start();
  SaveStill(StillKind::kPhoto, path, nullptr);
  return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// CPU seconds per second of a plain pipeline scaling and converting the
// camera's frames to the size painted, without a window: the least a viewer
// of that size can do. Its camera is the program's virtual one (a moving
// pattern under a running clock), so both pay the same for the frames; or,
// for comparison with earlier figures, a still pattern without the clock.
double BaselineCpuPerSecond(int seconds, QSize painted, bool sameCamera = true) {
  const std::string camera =
      sameCamera ? "videotestsrc is-live=true horizontal-speed=4 "
                   "! video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1 "
                   "! timeoverlay font-desc=\"Sans 20\" halignment=right "
                 : "videotestsrc is-live=true "
                   "! video/x-raw,format=YUY2,width=1280,height=720,framerate=30/1 ";
  const std::string description =
      camera + "! queue ! videoscale ! videoconvert ! video/x-raw,format=BGRx,width=" +
      std::to_string(painted.width()) + ",height=" + std::to_string(painted.height()) +
      " ! fakesink sync=true";
  GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
  const double before = CpuSeconds();
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  QThread::sleep(seconds);
  const double used = CpuSeconds() - before;
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return used / seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  char prefix[] = "/tmp/bench-velbin-XXXXXX";
  if (argc < 2 && !mkdtemp(prefix)) return 1;
  if (argc < 2) setenv("ORVANE_PREFIX", prefix, 1);
  QApplication app(argc, argv);
  orvane::ui::SetResourceModule(&orvane::resources::VelbinResources());
  if (argc > 1 && std::string(argv[1]) == "--start-up") return StartUpChild();

  std::printf("platform: %s\n", QGuiApplication::platformName().toStdString().c_str());
  std::vector<double> starts;
  for (int i = 0; i < 5; ++i) starts.push_back(StartUpOnce(argv[0]));
  std::printf("start-up to the first painted frame: %.0f ms (median of 5; runs %.0f..%.0f ms)\n",
              Median(starts) * 1000, *std::min_element(starts.begin(), starts.end()) * 1000,
              *std::max_element(starts.begin(), starts.end()) * 1000);

  ViewerDialog dialog;
  dialog.Create();
  dialog.show();
  WaitForPaint(2, 10000);
  for (const auto& [w, h] : {std::pair{640, 480}, std::pair{1280, 720}}) {
    SetCamera(VideoFormat{SubType::YUY2, w, h, 333333});
    WaitForPaint(Renderer() ? static_cast<long>(Renderer()->widget()->paintedFrames()) + 5 : 5,
                 5000);
    std::vector<double> photos;
    for (int i = 0; i < 5; ++i) photos.push_back(PhotoSeconds());
    const double median = Median(photos);
    std::printf(
        "photo %dx%d: %.1f ms from the command to the closed file (median of 5), "
        "%.1f ms past the 100 ms pause\n",
        w, h, median * 1000, median * 1000 - 100);
  }

  // The preview at 1280x720 in the frame window, against the plain pipeline,
  // in alternating rounds so that both see the same machine.
  constexpr int kSeconds = 4;
  constexpr int kRounds = 3;
  std::vector<double> windowCpus, baselines, ratios, rates;
  QSize paintSize(320, 240);
  for (int round = 0; round < kRounds; ++round) {
    const long paintedBefore =
        Renderer() ? static_cast<long>(Renderer()->widget()->paintedFrames()) : 0;
    const double cpuBefore = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    RunEventLoopFor(kSeconds * 1000);
    const double seconds = static_cast<double>(timer.elapsed()) / 1000;
    windowCpus.push_back((CpuSeconds() - cpuBefore) / seconds);
    const long painted =
        Renderer() ? static_cast<long>(Renderer()->widget()->paintedFrames()) - paintedBefore : 0;
    rates.push_back(static_cast<double>(painted) / seconds);
    if (Renderer())
      paintSize = Renderer()->widget()->size() * Renderer()->widget()->devicePixelRatioF();
    HaltPreview();
    baselines.push_back(BaselineCpuPerSecond(kSeconds, paintSize));
    ratios.push_back(windowCpus.back() / std::max(1e-6, baselines.back()));
    RunPreview();
    WaitForPaint(Renderer() ? static_cast<long>(Renderer()->widget()->paintedFrames()) + 5 : 5,
                 5000);
  }
  // Minimised: nothing to paint, nothing to convert.
  QWidget* frame = Renderer() ? Renderer()->widget()->window() : nullptr;
  double minimisedCpu = 0;
  if (frame) {
    frame->showMinimized();
    QCoreApplication::processEvents();
    const double before = CpuSeconds();
    QElapsedTimer idle;
    idle.start();
    RunEventLoopFor(kSeconds * 1000);
    minimisedCpu = (CpuSeconds() - before) / (static_cast<double>(idle.elapsed()) / 1000);
    frame->showNormal();
  }
  HaltPreview();
  const double plainPattern = BaselineCpuPerSecond(kSeconds, paintSize, false);
  std::printf("preview 1280x720 at 30 fps: %.1f frames painted per second (median of %d)\n",
              Median(rates), kRounds);
  std::printf(
      "  CPU: %.3f s per second in the frame window (%dx%d painted), %.3f for a plain "
      "videoscale ! videoconvert pipeline from the same camera to that size: ratio %.2f "
      "(median of %d rounds, %.2f..%.2f); %.3f minimised\n"
      "  (the same pipeline from a still pattern without the clock: %.3f, ratio %.2f)\n",
      Median(windowCpus), paintSize.width(), paintSize.height(), Median(baselines),
      Median(ratios), kRounds, *std::min_element(ratios.begin(), ratios.end()),
      *std::max_element(ratios.begin(), ratios.end()), minimisedCpu, plainPattern,
      Median(windowCpus) / std::max(1e-6, plainPattern));
  dialog.close();
  std::filesystem::remove_all(prefix);
  return 0;
}
