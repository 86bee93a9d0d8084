// How long the user waits when a recording ends: Stop finishing the file
// (end of stream, index, headers), and the repair after a failure, for
// recordings of 1 and 4 GiB, against a 10 MiB recording in the same run.
//
//   build/bench/bench_finalise [GiB ...]     (default: 1 4; needs 1.1x the space in /tmp)
//
// The recordings are real ones through the capture layer (virtual camera,
// 1280x720 YUY2 at 30 fps, and the virtual microphone), so each GiB takes
// about 20 s to record.
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "platform/dshow/avirepair.h"
#include "platform/dshow/com.h"
#include "platform/dshow/formats.h"
#include "platform/system/winpath.h"

using namespace dshow;

using bench::Median;

namespace {

long long SizeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

Ref<IBaseFilter> OpenDevice(DeviceCategory category, const Ref<IGraphBuilder>& graph) {
  Ref<ICreateDevEnum> devEnum;
  CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum);
  Ref<IEnumMoniker> monikers;
  devEnum->CreateClassEnumerator(category, &monikers, 0);
  Ref<IMoniker> moniker;
  monikers->Next(1, &moniker, nullptr);
  Ref<IBaseFilter> filter;
  moniker->BindToObject(&filter);
  graph->AddFilter(filter, "");
  return filter;
}

// Records into file until it holds bytes; returns the seconds Stop took.
double RecordAndStop(const std::string& file, long long bytes) {
  Ref<ICaptureGraphBuilder> builder;
  Ref<IGraphBuilder> graph;
  Ref<IMediaControl> control;
  CoCreateInstance(Clsid::CaptureGraphBuilder, &builder);
  CoCreateInstance(Clsid::FilterGraph, &graph);
  builder->SetFiltergraph(graph);
  QueryInterface(graph, &control);
  Ref<IBaseFilter> camera = OpenDevice(DeviceCategory::VideoInput, graph);
  Ref<IBaseFilter> microphone = OpenDevice(DeviceCategory::AudioInput, graph);
  Ref<IAMStreamConfig> config;
  builder->FindStreamConfig(PinCategory::Capture, camera, &config);
  AM_MEDIA_TYPE* type = ToMediaType(VideoFormat{SubType::YUY2, 1280, 720, 333333});
  config->SetFormat(type);
  DeleteMediaType(type);
  Ref<IBaseFilter> mux;
  builder->SetOutputFileName(MEDIASUBTYPE_Avi, orvane::winpath::FromHost(file), &mux, nullptr);
  builder->RenderStream(PinCategory::Capture, camera, nullptr, mux);
  builder->RenderStream(PinCategory::Capture, microphone, nullptr, mux);
  control->Run();
  while (SizeOf(file) < bytes) {
    QCoreApplication::processEvents();
    QThread::msleep(20);
  }
  QElapsedTimer timer;
  timer.start();
  const HRESULT hr = control->Stop();
  const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  if (hr != S_OK) std::fprintf(stderr, "bench_finalise: Stop said %x\n", static_cast<unsigned>(hr));
  return seconds;
}

// Cuts the file 1 MiB + 17 bytes before its end (inside the last part's
// data) and times the repair; median of five cuts at the same place.
double MedianRepair(const std::string& file, long* frames) {
  const long long cut = SizeOf(file) - (1 << 20) - 17;
  std::vector<double> runs;
  for (int i = 0; i < 5; ++i) {
    std::filesystem::resize_file(file, static_cast<std::uintmax_t>(cut));
    QElapsedTimer timer;
    timer.start();
    const AviRepairResult repair = RepairAvi(file);
    runs.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    if (repair.status != AviRepairStatus::kRepaired)
      std::fprintf(stderr, "bench_finalise: repair said %s\n", repair.detail.c_str());
    *frames = repair.videoFrames;
  }
  return Median(runs);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  CoInitialize(nullptr);
  std::vector<double> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atof(argv[i]));
  if (sizes.empty()) sizes = {1, 4};
  char dir[] = "/tmp/bench-finalise-XXXXXX";
  if (!::mkdtemp(dir)) return 1;

  const std::string small = std::string(dir) + "/small.avi";
  const double baseStop = RecordAndStop(small, 10LL << 20);
  long baseFrames = 0;
  const double baseRepair = MedianRepair(small, &baseFrames);
  std::printf("10 MiB recording: Stop %.3f s, repair %.3f s (median of 5), %ld frames\n", baseStop,
              baseRepair, baseFrames);
  for (double gib : sizes) {
    const std::string file = std::string(dir) + "/big.avi";
    const double stop = RecordAndStop(file, static_cast<long long>(gib * (1LL << 30)));
    long frames = 0;
    const double repair = MedianRepair(file, &frames);
    std::printf(
        "%.0f GiB recording (%.2f GB): Stop %.3f s (x%.1f the 10 MiB one), "
        "repair %.3f s (median of 5, x%.1f), %ld frames kept\n",
        gib, static_cast<double>(SizeOf(file)) / 1e9, stop, stop / std::max(1e-6, baseStop), repair,
        repair / std::max(1e-6, baseRepair), frames);
    std::filesystem::remove(file);
  }
  std::filesystem::remove_all(dir);
  CoUninitialize();
  return 0;
}
