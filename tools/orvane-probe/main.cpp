// orvane-probe: lists the capture devices and records from them through the
// same capture layer the programs use.
//
//   orvane-probe devices
//   orvane-probe doctor [--root DIR]  (why a camera is missing: doctor.h)
//   orvane-probe record --video NAME [--audio NAME] [--size WxH] [--fps N]
//                       --seconds S --out FILE
//   orvane-probe repair FILE...   (recordings a crash or a full disk cut off)
//   orvane-probe drivers          (the capture window's driver indexes)
//   orvane-probe sequence --driver N --seconds S --out FILE [--audio] [--fps N]
#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/dshow/avirepair.h"
#include "platform/dshow/com.h"
#include "platform/dshow/formats.h"
#include "platform/system/winpath.h"
#include "tools/orvane-probe/capturewindowcommands.h"
#include "tools/orvane-probe/doctor.h"

using namespace dshow;

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: orvane-probe devices\n"
               "       orvane-probe doctor [--root DIR]\n"
               "       orvane-probe record --video NAME [--audio NAME] [--size WxH] [--fps N]\n"
               "                           --seconds S --out FILE\n"
               "       orvane-probe repair FILE...\n"
               "       orvane-probe drivers\n"
               "       orvane-probe sequence --driver N --seconds S --out FILE [--audio] [--fps N]\n");
  return 2;
}

// The moniker of the device called name in category, with its index.
Ref<IMoniker> FindDevice(DeviceCategory category, const std::string& name) {
  Ref<ICreateDevEnum> devEnum;
  Ref<IEnumMoniker> monikers;
  if (CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum) != S_OK ||
      devEnum->CreateClassEnumerator(category, &monikers, 0) != S_OK)
    return nullptr;
  Ref<IMoniker> moniker;
  while (monikers->Next(1, &moniker, nullptr) == S_OK) {
    Ref<IPropertyBag> bag;
    std::string friendly;
    if (moniker->BindToStorage(&bag) == S_OK && bag->Read("FriendlyName", &friendly) == S_OK &&
        friendly == name)
      return moniker;
  }
  return nullptr;
}

int ListDevicesCommand() {
  Ref<ICreateDevEnum> devEnum;
  if (CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum) != S_OK) return 1;
  for (DeviceCategory category : {DeviceCategory::VideoInput, DeviceCategory::AudioInput}) {
    Ref<IEnumMoniker> monikers;
    if (devEnum->CreateClassEnumerator(category, &monikers, 0) != S_OK) continue;
    Ref<IMoniker> moniker;
    for (int index = 0; monikers->Next(1, &moniker, nullptr) == S_OK; ++index) {
      Ref<IPropertyBag> bag;
      std::string name;
      if (moniker->BindToStorage(&bag) != S_OK || bag->Read("FriendlyName", &name) != S_OK)
        continue;
      std::printf("%s %d %s\n", category == DeviceCategory::VideoInput ? "video" : "audio", index,
                  name.c_str());
    }
  }
  return 0;
}

int Fail(const char* what, HRESULT hr) {
  std::fprintf(stderr, "orvane-probe: %s (error %x)\n", what, static_cast<unsigned>(hr));
  return 1;
}

int RecordCommand(int argc, char** argv) {
  std::string video, audio, out;
  int width = 0, height = 0, fps = 0;
  double seconds = -1;
  for (int i = 2; i < argc; ++i) {
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* arg = argv[i];
    const char* v = nullptr;
    if (!std::strcmp(arg, "--video") && (v = value()))
      video = v;
    else if (!std::strcmp(arg, "--audio") && (v = value()))
      audio = v;
    else if (!std::strcmp(arg, "--out") && (v = value()))
      out = v;
    else if (!std::strcmp(arg, "--seconds") && (v = value()))
      seconds = std::atof(v);
    else if (!std::strcmp(arg, "--fps") && (v = value()))
      fps = std::atoi(v);
    else if (!std::strcmp(arg, "--size") && (v = value())) {
      if (std::sscanf(v, "%dx%d", &width, &height) != 2) return Usage();
    } else {
      return Usage();
    }
  }
  if (video.empty() || out.empty() || seconds <= 0) return Usage();

  Ref<IMoniker> videoDevice = FindDevice(DeviceCategory::VideoInput, video);
  if (!videoDevice) return Fail(("no video device named " + video).c_str(), VFW_E_NOT_FOUND);
  Ref<IMoniker> audioDevice;
  if (!audio.empty() && !(audioDevice = FindDevice(DeviceCategory::AudioInput, audio)))
    return Fail(("no audio device named " + audio).c_str(), VFW_E_NOT_FOUND);

  Ref<ICaptureGraphBuilder> builder;
  Ref<IGraphBuilder> graph;
  Ref<IMediaControl> control;
  Ref<IMediaEventEx> events;
  HRESULT hr;
  if ((hr = CoCreateInstance(Clsid::CaptureGraphBuilder, &builder)) != S_OK ||
      (hr = CoCreateInstance(Clsid::FilterGraph, &graph)) != S_OK ||
      (hr = builder->SetFiltergraph(graph)) != S_OK || (hr = QueryInterface(graph, &control)) ||
      (hr = QueryInterface(graph, &events)))
    return Fail("cannot make the graph", hr);
  Ref<IBaseFilter> camera, microphone;
  if ((hr = videoDevice->BindToObject(&camera)) != S_OK || (hr = graph->AddFilter(camera, "")))
    return Fail("cannot open the video device", hr);
  if (audioDevice && ((hr = audioDevice->BindToObject(&microphone)) != S_OK ||
                      (hr = graph->AddFilter(microphone, ""))))
    return Fail("cannot open the audio device", hr);

  if (width || fps) {
    Ref<IAMStreamConfig> config;
    AM_MEDIA_TYPE* type = nullptr;
    if ((hr = builder->FindStreamConfig(PinCategory::Capture, camera, &config)) != S_OK ||
        (hr = config->GetFormat(&type)) != S_OK)
      return Fail("the video device has no format control", hr);
    std::optional<VideoFormat> format = VideoFormatOf(*type);
    DeleteMediaType(type);
    if (!format) return Fail("the video device's format is unknown", E_FAIL);
    if (width) {
      format->width = width;
      format->height = height;
    }
    if (fps) format->avgTimePerFrame = 10000000 / fps;
    AM_MEDIA_TYPE* wanted = ToMediaType(*format);
    hr = config->SetFormat(wanted);
    DeleteMediaType(wanted);
    if (hr != S_OK) return Fail(("the device does not offer " + Describe(*format)).c_str(), hr);
  }

  const std::string windowsPath = orvane::winpath::FromHost(out);
  Ref<IBaseFilter> mux;
  Ref<IFileSinkFilter> sink;
  if ((hr = builder->SetOutputFileName(MEDIASUBTYPE_Avi, windowsPath, &mux, &sink)) != S_OK)
    return Fail("cannot set the output file", hr);
  if ((hr = builder->RenderStream(PinCategory::Capture, camera, nullptr, mux)) != S_OK)
    return Fail("cannot render the video stream", hr);
  if (microphone && (hr = builder->RenderStream(PinCategory::Capture, microphone, nullptr, mux)))
    return Fail("cannot render the audio stream", hr);
  // The preview renders to a window that is never shown, as a program's
  // hidden frame window would.
  if (FAILED(hr = builder->RenderStream(PinCategory::Preview, camera, nullptr, nullptr)))
    return Fail("cannot render the preview", hr);

  if ((hr = control->Run()) != S_OK) return Fail("cannot run the graph", hr);
  QElapsedTimer timer;
  timer.start();
  bool aborted = false;
  while (timer.elapsed() < static_cast<qint64>(seconds * 1000) && !aborted) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
    long code;
    INT_PTR p1, p2;
    while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
      if (code == EC_ERRORABORT) {
        aborted = true;
        std::fprintf(stderr, "orvane-probe: the recording failed (error %x)\n",
                     static_cast<unsigned>(p1));
      }
      events->FreeEventParams(code, p1, p2);
    }
  }
  if ((hr = control->Stop()) != S_OK) return Fail("cannot stop the graph", hr);
  return aborted ? 1 : 0;
}

// Each file: "clean", "repaired: N frames" or why it was left alone. Exit 0
// when every file is clean or repaired.
int RepairCommand(int argc, char** argv) {
  if (argc < 3) return Usage();
  int result = 0;
  for (int i = 2; i < argc; ++i) {
    const AviRepairResult repair = RepairAvi(argv[i]);
    switch (repair.status) {
      case AviRepairStatus::kClean: std::printf("%s: clean\n", argv[i]); break;
      case AviRepairStatus::kRepaired:
        std::printf("%s: repaired: %ld frames in %d part%s%s\n", argv[i], repair.videoFrames,
                    repair.parts, repair.parts == 1 ? "" : "s",
                    repair.indexWritten ? "" : ", no room for its index");
        break;
      case AviRepairStatus::kRefused:
      case AviRepairStatus::kFailed:
        std::fprintf(stderr, "orvane-probe: %s: %s: %s\n", argv[i],
                     repair.status == AviRepairStatus::kRefused ? "left alone" : "repair failed",
                     repair.detail.c_str());
        result = 1;
        break;
    }
  }
  return result;
}

int UsageOnTwo(int result) { return result == 2 ? Usage() : result; }

}  // namespace

int main(int argc, char** argv) {
  // A command-line tool: no display needed.
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  if (argc < 2) return Usage();
  CoInitialize(nullptr);
  int result = !std::strcmp(argv[1], "devices")  ? ListDevicesCommand()
               : !std::strcmp(argv[1], "record") ? RecordCommand(argc, argv)
               : !std::strcmp(argv[1], "repair") ? RepairCommand(argc, argv)
               : !std::strcmp(argv[1], "drivers") ? DriversCommand()
               : !std::strcmp(argv[1], "sequence") ? UsageOnTwo(SequenceCommand(argc, argv))
               : !std::strcmp(argv[1], "doctor") ? UsageOnTwo(DoctorCommand(argc, argv))
                                                 : Usage();
  CoUninitialize();
  return result;
}
