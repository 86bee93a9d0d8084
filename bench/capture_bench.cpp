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

#include "platform/dshow/com.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/filterbase.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/videorenderer.h"
#include "platform/system/winpath.h"

using namespace dshow;

namespace {

double CpuSeconds(const rusage& u) {
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double SelfCpu() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return CpuSeconds(u);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// Waits in the event loop without polling, so the wait itself costs nothing.
void Idle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop,
                     &QEventLoop::quit);  // a coarse one fires up to 5% early
  loop.exec();
}

void Pump(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
}

long FramesIn(const std::string& file) {
  std::string command =
      "ffprobe -v error -select_streams v:0 -count_packets -show_entries "
      "stream=nb_read_packets -of csv=p=0 '" +
      file + "'";
  long frames = -1;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    if (std::fscanf(pipe, "%ld", &frames) != 1) frames = -1;
    pclose(pipe);
  }
  return frames;
}

// Buffers seen on the sink pads, named prefix*, of the elements made by
// factory inside a filter: the camera's tee (every frame the source made) and
// the multiplexer's video input (every frame offered to the file).
struct BufferCount {
  std::atomic<long> buffers{0};
};

GstPadProbeReturn CountBuffer(GstPad*, GstPadProbeInfo*, gpointer count) {
  ++static_cast<BufferCount*>(count)->buffers;
  return GST_PAD_PROBE_OK;
}

void CountBuffers(const Ref<IBaseFilter>& filter, const char* factory, const char* prefix,
                  BufferCount* count) {
  auto base = std::dynamic_pointer_cast<FilterBase>(filter);
  if (!base) return;
  GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(base->bin()));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
    auto* element = GST_ELEMENT(g_value_get_object(&item));
    GstElementFactory* made = gst_element_get_factory(element);
    if (made && std::string(GST_OBJECT_NAME(made)) == factory) {
      for (GList* l = element->sinkpads; l; l = l->next) {
        auto* pad = GST_PAD(l->data);
        if (std::string(GST_OBJECT_NAME(pad)).rfind(prefix, 0) == 0)
          gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountBuffer, count, nullptr);
      }
    }
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(elements);
}

struct Session {
  Ref<ICaptureGraphBuilder> builder;
  Ref<IGraphBuilder> graph;
  Ref<IMediaControl> control;
  Ref<IBaseFilter> camera;
};

Session OpenCamera(const VideoFormat& format) {
  Session s;
  CoCreateInstance(Clsid::CaptureGraphBuilder, &s.builder);
  CoCreateInstance(Clsid::FilterGraph, &s.graph);
  s.builder->SetFiltergraph(s.graph);
  QueryInterface(s.graph, &s.control);
  Ref<ICreateDevEnum> devEnum;
  CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum);
  Ref<IEnumMoniker> monikers;
  devEnum->CreateClassEnumerator(DeviceCategory::VideoInput, &monikers, 0);
  Ref<IMoniker> moniker;
  monikers->Next(1, &moniker, nullptr);
  moniker->BindToObject(&s.camera);
  s.graph->AddFilter(s.camera, "");
  Ref<IAMStreamConfig> config;
  s.builder->FindStreamConfig(PinCategory::Capture, s.camera, &config);
  AM_MEDIA_TYPE* type = ToMediaType(format);
  config->SetFormat(type);
  DeleteMediaType(type);
  return s;
}

// CPU seconds per recorded second through the layer, and the frames written.
struct Recorded {
  long written = 0;   // video frames in the file (ffprobe)
  long produced = 0;  // frames the camera made between Run and Stop
  long offered = 0;   // frames that reached the multiplexer
  double wall = 0;    // seconds from Run to the return of Stop
};

// The recording's shape: the camera's size, and whether a preview paints
// into a shown widget beside the file branch, as in the programs.
struct Shape {
  int width = 640, height = 480;
  QWidget* preview = nullptr;
};

double RecordThroughLayer(int seconds, const std::string& file, Recorded* out,
                          const Shape& shape = {}) {
  Session s = OpenCamera(VideoFormat{SubType::YUY2, shape.width, shape.height, 333333});
  Ref<IBaseFilter> mux;
  s.builder->SetOutputFileName(MEDIASUBTYPE_Avi, orvane::winpath::FromHost(file), &mux, nullptr);
  s.builder->RenderStream(PinCategory::Capture, s.camera, nullptr, mux);
  if (shape.preview) {
    s.builder->RenderStream(PinCategory::Preview, s.camera, nullptr, nullptr);
    Ref<IVideoWindow> window;
    s.builder->FindVideoWindow(PinCategory::Preview, s.camera, &window);
    window->put_Owner(shape.preview);
    window->SetWindowPosition(20, 18, shape.preview->width() - 40, shape.preview->height() - 36);
    window->put_Visible(OATRUE);
  }
  BufferCount produced, offered;
  CountBuffers(s.camera, "tee", "sink", &produced);
  CountBuffers(mux, "avimux", "video", &offered);
  const double before = SelfCpu();
  QElapsedTimer timer;
  timer.start();
  s.control->Run();
  Idle(seconds * 1000);
  s.control->Stop();
  out->wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  const double used = SelfCpu() - before;
  out->written = FramesIn(file);
  out->produced = produced.buffers;
  out->offered = offered.buffers;
  return used / seconds;
}

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
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  return CpuSeconds(usage) / seconds;
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
