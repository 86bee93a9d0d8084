// The capture layer on a real PipeWire session (a private daemon with
// WirePlumber): cameras that offer only 30/1 and 15/1, in the dark, NV12
// only, a microphone whose buffers carry no timestamps, a virtual source
// of the same name, a camera plugged in later and one unplugged mid-run.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>

#include "platform/dshow/capturefilter.h"
#include "platform/dshow/com.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/gsterrors.h"
#include "tests/support/aviheaders.h"
#include "tests/support/eventloop.h"
#include "tests/support/ffprobe.h"
#include "tests/support/privatepipewire.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using namespace dshow;
using orvane::test::HostPath;
using orvane::test::PumpFor;
using orvane::test::PumpUntil;

namespace {

std::vector<std::string> Names(DeviceCategory category) {
  std::vector<std::string> names;
  for (const DeviceDescription& d : ListDevices(category)) names.push_back(d.friendlyName);
  return names;
}

bool Listed(DeviceCategory category, const std::string& name) {
  const auto names = Names(category);
  return std::find(names.begin(), names.end(), name) != names.end();
}

bool WaitForDevice(DeviceCategory category, const std::string& name, bool present = true) {
  return PumpUntil([&] { return Listed(category, name) == present; }, 5000);
}

Ref<IBaseFilter> OpenDevice(DeviceCategory category, const std::string& name) {
  for (const DeviceDescription& d : ListDevices(category))
    if (d.friendlyName == name) return CaptureFilter::Create(d);
  return nullptr;
}

class PipeWire : public ::testing::Test {
 protected:
  void SetUp() override {
    // Only the host's devices: the session's.
    testapi::SetDevices({}, true);
    ASSERT_TRUE(session.running()) << session.error();
  }
  ~PipeWire() override { testapi::ResetDevices(); }

  orvane::test::TempPrefix prefix;
  orvane::test::PrivatePipeWire session;
};

// What a recording through the layer made, against the time it ran.
struct Recorded {
  double wall = 0, video = 0, audio = 0, fps = 0;
  std::string rate, codecTag;
};

Recorded RecordFor(const std::string& camera, const VideoFormat& format, const std::string& file,
                   int ms, std::function<void()> during = {},
                   std::vector<std::pair<long, INT_PTR>>* events = nullptr) {
  Recorded out;
  Ref<ICaptureGraphBuilder> builder;
  Ref<IGraphBuilder> graph;
  Ref<IMediaControl> control;
  CoCreateInstance(Clsid::CaptureGraphBuilder, &builder);
  CoCreateInstance(Clsid::FilterGraph, &graph);
  builder->SetFiltergraph(graph);
  QueryInterface(graph, &control);
  Ref<IBaseFilter> video = OpenDevice(DeviceCategory::VideoInput, camera);
  Ref<IBaseFilter> audio = OpenDevice(DeviceCategory::AudioInput, "Test Mic");
  EXPECT_TRUE(video && audio);
  if (!video || !audio) return out;
  graph->AddFilter(video, "");
  graph->AddFilter(audio, "");
  Ref<IAMStreamConfig> config;
  EXPECT_EQ(builder->FindStreamConfig(PinCategory::Capture, video, &config), S_OK);
  AM_MEDIA_TYPE* type = ToMediaType(format);
  EXPECT_EQ(config->SetFormat(type), S_OK);
  DeleteMediaType(type);
  Ref<IBaseFilter> mux;
  EXPECT_EQ(builder->SetOutputFileName(MEDIASUBTYPE_Avi, file, &mux, nullptr), S_OK);
  EXPECT_EQ(builder->RenderStream(PinCategory::Capture, video, nullptr, mux), S_OK);
  EXPECT_EQ(builder->RenderStream(PinCategory::Preview, video, nullptr, nullptr),
            VFW_S_NOPREVIEWPIN);
  EXPECT_EQ(builder->RenderStream(PinCategory::Capture, audio, nullptr, mux), S_OK);
  QElapsedTimer wall;
  EXPECT_EQ(control->Run(), S_OK);
  wall.start();
  if (during) during();
  PumpFor(ms);
  out.wall = wall.elapsed() / 1000.0;
  control->Stop();
  Ref<IMediaEventEx> queue;
  QueryInterface(graph, &queue);
  long code;
  INT_PTR p1, p2;
  while (events && queue->GetEvent(&code, &p1, &p2, 0) == S_OK) events->emplace_back(code, p1);
  const std::string host = HostPath(file);
  const orvane::test::ProbeResult probe = orvane::test::Probe(host);
  EXPECT_TRUE(probe.ok) << probe.errors;
  if (probe.streams.size() != 2) return out;
  out.rate = probe.streams[0].frameRate;
  const auto slash = out.rate.find('/');
  out.fps = std::stod(out.rate.substr(0, slash)) / std::stod(out.rate.substr(slash + 1));
  out.video = probe.streams[0].frames / out.fps;
  out.audio = probe.streams[1].headerFrames / static_cast<double>(probe.streams[1].sampleRate);
  const orvane::test::AviFileInfo info = orvane::test::ReadAviFile(host);
  if (!info.streams.empty()) out.codecTag = info.streams[0].compression;
  EXPECT_EQ(orvane::test::AviHeaderProblems(host), std::vector<std::string>{});
  return out;
}

}  // namespace

TEST_F(PipeWire, ListsEachSourceOnceByPathNodeOrNameAndFindsOnePluggedLater) {
  ASSERT_GE(session.Publish({"--camera", "Test Camera", "--path", "/dev/video0", "--microphone",
                             "Test Mic"}),
            0);
  // A virtual source of the same name: its element is a sink.
  ASSERT_TRUE(session.AddVirtualSource("Test Mic"));
  ASSERT_TRUE(WaitForDevice(DeviceCategory::VideoInput, "Test Camera"));
  ASSERT_TRUE(WaitForDevice(DeviceCategory::AudioInput, "Test Mic"));
  PumpFor(300);
  EXPECT_EQ(Names(DeviceCategory::VideoInput), std::vector<std::string>{"Test Camera"});
  EXPECT_EQ(Names(DeviceCategory::AudioInput), std::vector<std::string>{"Test Mic"});
  const DeviceDescription camera = ListDevices(DeviceCategory::VideoInput).front();
  EXPECT_EQ(camera.family, DeviceDescription::Family::PipeWire);
  EXPECT_EQ(camera.devicePath, "/dev/video0");

  // devices.ini names a camera by its device path, a microphone by its
  // node name, another by its display name.
  const std::string node = ListDevices(DeviceCategory::AudioInput).front().nodeName;
  orvane::test::WriteHostFile(prefix.path("devices.ini"),
                              "[names]\n/dev/video0=Lumitrex USB Camera\n" + node +
                                  "=Lumitrex Microphone\n");
  EXPECT_EQ(Names(DeviceCategory::VideoInput), std::vector<std::string>{"Lumitrex USB Camera"});
  EXPECT_EQ(Names(DeviceCategory::AudioInput), std::vector<std::string>{"Lumitrex Microphone"});
  orvane::test::WriteHostFile(prefix.path("devices.ini"), "[names]\nTest Camera=Lumitrex Cam\n");
  EXPECT_EQ(Names(DeviceCategory::VideoInput), std::vector<std::string>{"Lumitrex Cam"});
  orvane::test::WriteHostFile(prefix.path("devices.ini"), "");

  // Plugged in after the listing began, and out again.
  const int later = session.Publish({"--camera", "Later Camera"});
  ASSERT_GE(later, 0);
  EXPECT_TRUE(WaitForDevice(DeviceCategory::VideoInput, "Later Camera"));
  session.Unpublish(later);
  EXPECT_TRUE(WaitForDevice(DeviceCategory::VideoInput, "Later Camera", false));
}

// 14.99 fps from a camera offering 30/1 and 15/1 runs it at 15/1; in the
// dark it delivers half that and the file still runs at 30/1 with the sound;
// an NV12-only camera with sizes as a range records YUY2.
TEST_F(PipeWire, RecordsPictureAndSoundInStepWithTheClockWhateverTheCameraDoes) {
  ASSERT_GE(session.Publish({"--camera", "Test Camera", "--size", "640x480", "--size", "1280x720",
                             "--microphone", "Test Mic"}),
            0);
  ASSERT_GE(session.Publish({"--camera", "Dark Camera", "--size", "320x240", "--low-light"}), 0);
  ASSERT_GE(session.Publish({"--camera", "NV12 Camera", "--format", "nv12", "--size-range",
                             "160x120-1920x1080"}),
            0);
  for (const char* name : {"Test Camera", "Dark Camera", "NV12 Camera"})
    ASSERT_TRUE(WaitForDevice(DeviceCategory::VideoInput, name)) << name;
  ASSERT_TRUE(WaitForDevice(DeviceCategory::AudioInput, "Test Mic"));

  struct Case {
    const char* camera;
    VideoFormat format;
    const char* rate;
    const char* tag;
  } cases[] = {{"Test Camera", {SubType::YUY2, 640, 480, 667111}, "15/1", "YUY2"},
               {"Dark Camera", {SubType::YUY2, 320, 240, 333333}, "30/1", "YUY2"},
               {"NV12 Camera", {SubType::NV12, 640, 480, 666666}, "15/1", "YUY2"}};
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.camera);
    const Recorded r =
        RecordFor(c.camera, c.format, "C:\\pw" + std::to_string(n++) + ".avi", 5000);
    EXPECT_EQ(r.rate, c.rate);
    EXPECT_EQ(r.codecTag, c.tag);
    // Picture and sound within a frame and one of PipeWire's sound blocks
    // (1024 samples at 48 kHz); the clock within a frame (as seen from here
    // it also holds the start's and stop's moments).
    EXPECT_NEAR(r.video, r.audio, 1.0 / r.fps + 1024.0 / 48000);
    EXPECT_NEAR(r.video, r.wall, 1.0 / r.fps + 0.1);
  }
}

// Unplugged while recording: one abort that says the device is gone, and a
// file that plays, with true headers, up to the moment it is stopped.
TEST_F(PipeWire, ACameraUnpluggedMidRecordingEndsItWithAFileThatPlays) {
  const int camera = session.Publish({"--camera", "Test Camera"});
  ASSERT_GE(camera, 0);
  ASSERT_GE(session.Publish({"--microphone", "Test Mic"}), 0);
  ASSERT_TRUE(WaitForDevice(DeviceCategory::VideoInput, "Test Camera"));
  ASSERT_TRUE(WaitForDevice(DeviceCategory::AudioInput, "Test Mic"));
  std::vector<std::pair<long, INT_PTR>> events;
  double gone = 0;  // when the camera's node was gone, from the start
  const Recorded r = RecordFor(
      "Test Camera", VideoFormat{SubType::YUY2, 640, 480, 333333}, "C:\\gone.avi", 3000,
      [&] {
        QElapsedTimer since;
        since.start();
        PumpFor(1500);
        session.Unpublish(camera);
        gone = since.elapsed() / 1000.0;
      },
      &events);
  EXPECT_EQ(events, (std::vector<std::pair<long, INT_PTR>>{{EC_ERRORABORT, kDeviceNotConnected}}));
  // The picture holds its last frame until the camera's stream ended (its
  // node gone, a little after the unplugging), never past the stop; the sound
  // runs on until the recording is stopped.
  EXPECT_GT(r.video, gone);
  EXPECT_LT(r.video, r.wall);
  EXPECT_NEAR(r.audio, r.wall, 0.1);
}

// The doctor on the desktop's PipeWire names each node as pw-dump reports
// it, and the camera and microphone the programs list; the infrared camera
// is left out of the lists, and it says so.
TEST_F(PipeWire, TheDoctorNamesWhatTheSessionOffersAsPwDumpDoes) {
  ASSERT_GE(session.Publish({"--camera", "Integrated Camera", "--path", "/dev/video0",
                             "--microphone", "Built-in Microphone"}),
            0);
  ASSERT_GE(session.Publish({"--camera", "Integrated IR Camera", "--format", "gray8", "--path",
                             "/dev/video2"}),
            0);
  ASSERT_TRUE(WaitForDevice(DeviceCategory::VideoInput, "Integrated Camera"));
  EXPECT_EQ(Names(DeviceCategory::VideoInput), std::vector<std::string>{"Integrated Camera"});

  QProcess doctor;
  doctor.start(ORVANE_PROBE, {"doctor"});
  ASSERT_TRUE(doctor.waitForFinished(20000));
  EXPECT_EQ(doctor.exitCode(), 0);
  const QString out = QString::fromUtf8(doctor.readAllStandardOutput());
  QProcess dump;
  dump.start("pw-dump", {});
  ASSERT_TRUE(dump.waitForFinished(10000));
  int sources = 0;
  for (const QJsonValue& object : QJsonDocument::fromJson(dump.readAllStandardOutput()).array()) {
    const QJsonObject props = object["info"]["props"].toObject();
    const QString media = props["media.class"].toString();
    if (media != "Video/Source" && media != "Audio/Source") continue;
    ++sources;
    QString line = QString("pipewire %1 \"%2\" (node %3")
                       .arg(media == "Video/Source" ? "camera" : "microphone",
                            props["node.description"].toString(), props["node.name"].toString());
    if (props.contains("api.v4l2.path")) line += ", " + props["api.v4l2.path"].toString();
    EXPECT_TRUE(out.contains(line + "): ")) << line.toStdString() << "\n" << out.toStdString();
  }
  EXPECT_EQ(sources, 3);
  for (const char* line :
       {"pipewire camera \"Integrated Camera\" (node", "camera 0 \"Integrated Camera\" through pipewire\n",
        "microphone 0 \"Built-in Microphone\" through pipewire\n",
        "/dev/video2): left out, infrared only: every format is grey\n",
        "problem: \"Integrated IR Camera\" gives an infrared picture only"})
    EXPECT_TRUE(out.contains(line)) << line << "\n" << out.toStdString();
}
