#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QThread>
#include <QWidget>
#include <functional>

#include "platform/dshow/com.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/faults.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/videorenderer.h"
#include "tests/support/aviheaders.h"
#include "tests/support/eventloop.h"
#include "tests/support/ffprobe.h"
#include "tests/support/firstdevice.h"
#include "tests/support/testprefix.h"

using namespace dshow;
using orvane::test::PumpFor;
using orvane::test::PumpUntil;

namespace {

// A graph with the devices of the test's set added, as the engine sets it up.
class Graph : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(CoCreateInstance(Clsid::CaptureGraphBuilder, &builder), S_OK);
    ASSERT_EQ(CoCreateInstance(Clsid::FilterGraph, &graph), S_OK);
    ASSERT_EQ(builder->SetFiltergraph(graph), S_OK);
    ASSERT_EQ(QueryInterface(graph, &control), S_OK);
  }
  ~Graph() override {
    if (control) control->Stop();
    testapi::ResetDevices();
    faults::DisarmAll();
  }
  Ref<IBaseFilter> Open(DeviceCategory category) {
    return orvane::test::AddFirstDevice(graph, category);
  }
  void SetRate(const Ref<IBaseFilter>& camera, REFERENCE_TIME avg) {
    Ref<IAMStreamConfig> config;
    ASSERT_EQ(builder->FindStreamConfig(PinCategory::Capture, camera, &config), S_OK);
    AM_MEDIA_TYPE* type = nullptr;
    ASSERT_EQ(config->GetFormat(&type), S_OK);
    VIDEOINFOHEADER vih;
    std::memcpy(&vih, type->pbFormat, sizeof vih);
    vih.AvgTimePerFrame = avg;
    std::memcpy(type->pbFormat, &vih, sizeof vih);
    EXPECT_EQ(config->SetFormat(type), S_OK);
    DeleteMediaType(type);
  }

  orvane::test::TempPrefix prefix;
  Ref<ICaptureGraphBuilder> builder;
  Ref<IGraphBuilder> graph;
  Ref<IMediaControl> control;
  QWidget owner;
};

bool NotBlack(const QImage& image) {
  for (int y = 0; y < image.height(); y += 7)
    for (int x = 0; x < image.width(); x += 7)
      if (qGray(image.pixel(x, y)) > 40) return true;
  return false;
}

}  // namespace

TEST_F(Graph, PreviewPaintsTheCameraIntoTheOwner) {
  testapi::SetDevices({testapi::VirtualCamera()}, false);
  Ref<IBaseFilter> camera = Open(DeviceCategory::VideoInput);
  ASSERT_TRUE(camera);
  ASSERT_EQ(builder->RenderStream(PinCategory::Preview, camera, nullptr, nullptr), S_OK);
  Ref<IVideoWindow> window;
  ASSERT_EQ(builder->FindVideoWindow(PinCategory::Preview, camera, &window), S_OK);
  EXPECT_EQ(builder->FindVideoWindow(PinCategory::Capture, camera, &window), E_NOINTERFACE);
  ASSERT_EQ(builder->FindVideoWindow(PinCategory::Preview, camera, &window), S_OK);
  owner.resize(400, 300);
  owner.show();
  window->put_Owner(&owner);
  window->put_WindowStyle(WS_CHILD);
  window->SetWindowPosition(20, 18, 360, 264);
  window->put_Visible(OATRUE);
  auto renderer = std::dynamic_pointer_cast<VideoRenderer>(window);
  ASSERT_TRUE(renderer);
  EXPECT_EQ(renderer->widget()->parentWidget(), &owner);
  EXPECT_EQ(renderer->widget()->geometry(), QRect(20, 18, 360, 264));

  ASSERT_EQ(control->Run(), S_OK);
  ASSERT_TRUE(PumpUntil([&] { return renderer->widget()->paintedFrames() >= 3; }, 5000));
  EXPECT_TRUE(NotBlack(renderer->widget()->grab().toImage()));
  // Frames come scaled to the size painted; a minimised window's picture
  // is neither scaled nor painted, and the still below is still whole.
  GstSample* shown = renderer->widget()->CurrentSample();
  ASSERT_TRUE(shown);
  GstVideoInfo shownInfo;
  ASSERT_TRUE(gst_video_info_from_caps(&shownInfo, gst_sample_get_caps(shown)));
  gst_sample_unref(shown);
  EXPECT_EQ(QSize(GST_VIDEO_INFO_WIDTH(&shownInfo), GST_VIDEO_INFO_HEIGHT(&shownInfo)),
            renderer->widget()->size() * renderer->widget()->devicePixelRatioF());
  owner.showMinimized();
  PumpFor(100);
  const auto painted = renderer->widget()->receivedFrames();
  const auto arrived = renderer->framesArrived();
  PumpFor(300);
  EXPECT_EQ(renderer->widget()->receivedFrames(), painted);
  EXPECT_GT(renderer->framesArrived(), arrived);
  owner.showNormal();
  // Resized while the frames flow, as a user drags the frame: the stream
  // follows each size and never stops on it.
  for (int i = 0; i < 40; ++i) {
    window->SetWindowPosition(20, 18, 200 + (i * 37) % 160, 150 + (i * 23) % 110);
    PumpFor(i % 3 == 0 ? 0 : 12);
  }
  window->SetWindowPosition(20, 18, 320, 240);
  const auto beforeLast = renderer->widget()->paintedFrames();
  ASSERT_TRUE(PumpUntil([&] { return renderer->widget()->paintedFrames() >= beforeLast + 3; }, 5000));
  shown = renderer->widget()->CurrentSample();
  ASSERT_TRUE(shown && gst_video_info_from_caps(&shownInfo, gst_sample_get_caps(shown)));
  gst_sample_unref(shown);
  EXPECT_EQ(QSize(GST_VIDEO_INFO_WIDTH(&shownInfo), GST_VIDEO_INFO_HEIGHT(&shownInfo)),
            QSize(320, 240) * renderer->widget()->devicePixelRatioF());
  Ref<IMediaEventEx> events;
  ASSERT_EQ(QueryInterface(graph, &events), S_OK);
  long code = 0;
  INT_PTR p1 = 0, p2 = 0;
  while (events->GetEvent(&code, &p1, &p2, 0) == S_OK) {
    EXPECT_NE(code, EC_ERRORABORT) << std::hex << p1;
    events->FreeEventParams(code, p1, p2);
  }

  // The still: a packed bottom-up 24-bit DIB, with the size checks.
  ASSERT_EQ(control->Pause(), S_OK);
  Ref<IBasicVideo> video;
  ASSERT_EQ(QueryInterface(window, &video), S_OK);
  long width = 0, height = 0;
  ASSERT_EQ(video->GetVideoSize(&width, &height), S_OK);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  long size = 0;
  ASSERT_EQ(video->GetCurrentImage(&size, nullptr), S_OK);
  EXPECT_EQ(size, 40 + 640 * 3 * 480);
  std::vector<long> buffer(static_cast<std::size_t>(640 * 480));  // w*h*4 bytes, as callers use
  long small = size - 1;
  EXPECT_EQ(video->GetCurrentImage(&small, buffer.data()), E_OUTOFMEMORY);
  long big = static_cast<long>(buffer.size() * sizeof(long));
  ASSERT_EQ(video->GetCurrentImage(&big, buffer.data()), S_OK);
  BITMAPINFOHEADER header;
  std::memcpy(&header, buffer.data(), sizeof header);
  EXPECT_EQ(header.biSize, 40u);
  EXPECT_EQ(header.biWidth, 640);
  EXPECT_EQ(header.biHeight, 480);
  EXPECT_EQ(header.biBitCount, 24);
  EXPECT_EQ(header.biCompression, BI_RGB);
  EXPECT_EQ(control->Stop(), S_OK);
}

TEST_F(Graph, ACameraWithoutPreviewPinPreviewsFromItsCapturePin) {
  DeviceDescription camera = testapi::VirtualCamera();
  camera.hasPreviewPin = false;
  testapi::SetDevices({camera}, false);
  Ref<IBaseFilter> filter = Open(DeviceCategory::VideoInput);
  ASSERT_TRUE(filter);
  EXPECT_EQ(builder->RenderStream(PinCategory::Preview, filter, nullptr, nullptr),
            VFW_S_NOPREVIEWPIN);
  Ref<IVideoWindow> window;
  EXPECT_EQ(builder->FindVideoWindow(PinCategory::Preview, filter, &window), E_NOINTERFACE);
  EXPECT_EQ(builder->FindVideoWindow(PinCategory::Capture, filter, &window), S_OK);
  ASSERT_EQ(control->Run(), S_OK);
  auto renderer = std::dynamic_pointer_cast<VideoRenderer>(window);
  EXPECT_TRUE(PumpUntil([&] { return renderer->framesArrived() >= 2; }, 5000));
}

TEST_F(Graph, RecordsPictureAndSoundIntoAFileAnyReaderOpens) {
  testapi::SetDevices({testapi::VirtualCamera(), testapi::VirtualMicrophone()}, false);
  Ref<IBaseFilter> camera = Open(DeviceCategory::VideoInput);
  Ref<IBaseFilter> microphone = Open(DeviceCategory::AudioInput);
  ASSERT_TRUE(camera && microphone);
  SetRate(camera, 667111);  // 14.99 fps
  Ref<IBaseFilter> mux;
  Ref<IFileSinkFilter> sink;
  ASSERT_EQ(builder->SetOutputFileName(MEDIASUBTYPE_Avi, "C:\\videof00.avi", &mux, &sink), S_OK);
  std::string current;
  sink->GetCurFile(&current);
  EXPECT_EQ(current, "C:\\videof00.avi");
  Ref<IConfigAviMux> config;
  ASSERT_EQ(QueryInterface(mux, &config), S_OK);
  EXPECT_EQ(config->SetOutputCompatibilityIndex(TRUE), S_OK);
  EXPECT_EQ(config->SetMasterStream(0), S_OK);
  ASSERT_EQ(builder->RenderStream(PinCategory::Capture, camera, nullptr, mux), S_OK);
  ASSERT_EQ(builder->RenderStream(PinCategory::Preview, camera, nullptr, nullptr), S_OK);
  ASSERT_EQ(builder->RenderStream(PinCategory::Capture, microphone, nullptr, mux), S_OK);

  ASSERT_EQ(control->Run(), S_OK);
  PumpFor(2000);
  ASSERT_EQ(control->Stop(), S_OK);

  const std::string file = prefix.driveC() + "/videof00.avi";
  orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_TRUE(probe.ok) << probe.errors;
  ASSERT_EQ(probe.streams.size(), 2u);
  EXPECT_EQ(probe.streams[0].codecType, "video");
  EXPECT_EQ(probe.streams[0].codecName, "rawvideo");
  EXPECT_EQ(probe.streams[0].width, 640);
  EXPECT_EQ(probe.streams[0].frameRate, "15/1");  // 14.99 fps is the camera's 15/1
  EXPECT_NEAR(probe.streams[0].frames, 30, 5);
  EXPECT_EQ(probe.streams[1].codecType, "audio");
  EXPECT_EQ(probe.streams[1].codecName, "pcm_s16le");
  EXPECT_EQ(probe.streams[1].sampleRate, 22050);
  EXPECT_EQ(probe.streams[1].channels, 1);
  std::string errors;
  EXPECT_TRUE(orvane::test::DecodesCleanly(file, &errors)) << errors;
  EXPECT_EQ(orvane::test::AviHeaderProblems(file), std::vector<std::string>{});
}

TEST_F(Graph, AHeldBackFileBranchWritesOnlyAfterItsRelease) {
  testapi::SetDevices({testapi::VirtualCamera()}, false);
  Ref<IBaseFilter> camera = Open(DeviceCategory::VideoInput);
  SetRate(camera, 333333);  // 30 fps
  Ref<IBaseFilter> mux;
  ASSERT_EQ(builder->SetOutputFileName(MEDIASUBTYPE_Avi, "C:\\held.avi", &mux, nullptr), S_OK);
  ASSERT_EQ(builder->RenderStream(PinCategory::Capture, camera, nullptr, mux), S_OK);
  ASSERT_EQ(builder->RenderStream(PinCategory::Preview, camera, nullptr, nullptr), S_OK);
  const REFERENCE_TIME never = kNeverTime;
  ASSERT_EQ(builder->ControlStream(PinCategory::Preview, nullptr, nullptr, &never, 0, 0), S_OK);
  ASSERT_EQ(builder->ControlStream(PinCategory::Capture, nullptr, &never, nullptr, 0, 0), S_OK);
  ASSERT_EQ(control->Run(), S_OK);
  PumpFor(1000);  // preview only, as while the start prompt is up
  ASSERT_EQ(builder->ControlStream(PinCategory::Capture, nullptr, nullptr, &never, 0, 0), S_OK);
  PumpFor(1000);
  ASSERT_EQ(control->Stop(), S_OK);
  orvane::test::ProbeResult probe = orvane::test::Probe(prefix.driveC() + "/held.avi");
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_NEAR(probe.streams[0].frames, 30, 6);  // one second, not two
}

TEST_F(Graph, TakingTheBranchesApartKeepsTheDeviceFilters) {
  testapi::SetDevices({testapi::VirtualCamera()}, false);
  Ref<IBaseFilter> camera = Open(DeviceCategory::VideoInput);
  ASSERT_EQ(builder->RenderStream(PinCategory::Preview, camera, nullptr, nullptr), S_OK);
  // Walk the camera's pins to the renderer and take it out, as the engine does.
  Ref<IEnumPins> pins;
  ASSERT_EQ(camera->EnumPins(&pins), S_OK);
  Ref<IPin> pin;
  int removed = 0;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    Ref<IPin> peer;
    if (pin->ConnectedTo(&peer) != S_OK) continue;
    PIN_INFO info;
    ASSERT_EQ(peer->QueryPinInfo(&info), S_OK);
    EXPECT_EQ(info.dir, PinDirection::Input);
    EXPECT_EQ(graph->Disconnect(peer), S_OK);
    EXPECT_EQ(graph->Disconnect(pin), S_FALSE);
    EXPECT_EQ(graph->RemoveFilter(info.pFilter), S_OK);
    ++removed;
  }
  EXPECT_EQ(removed, 1);
  // Rendered again without opening the device again.
  ASSERT_EQ(builder->RenderStream(PinCategory::Preview, camera, nullptr, nullptr), S_OK);
  ASSERT_EQ(control->Run(), S_OK);
  Ref<IVideoWindow> window;
  ASSERT_EQ(builder->FindVideoWindow(PinCategory::Preview, camera, &window), S_OK);
  auto renderer = std::dynamic_pointer_cast<VideoRenderer>(window);
  EXPECT_TRUE(PumpUntil([&] { return renderer->framesArrived() >= 2; }, 5000));
}

TEST_F(Graph, MjpgFromTheCameraIsStoredAsItComes) {
  testapi::SetDevices({testapi::VirtualCamera()}, false);
  Ref<IBaseFilter> camera = Open(DeviceCategory::VideoInput);
  Ref<IAMStreamConfig> config;
  ASSERT_EQ(builder->FindStreamConfig(PinCategory::Capture, camera, &config), S_OK);
  AM_MEDIA_TYPE* type = ToMediaType(VideoFormat{SubType::MJPG, 320, 240, 1000000});
  ASSERT_EQ(config->SetFormat(type), S_OK);
  DeleteMediaType(type);
  Ref<IBaseFilter> mux;
  ASSERT_EQ(builder->SetOutputFileName(MEDIASUBTYPE_Avi, "C:\\mjpg.avi", &mux, nullptr), S_OK);
  ASSERT_EQ(builder->RenderStream(PinCategory::Capture, camera, nullptr, mux), S_OK);
  // The preview decodes it; the file keeps the camera's own JPEG frames.
  ASSERT_EQ(builder->RenderStream(PinCategory::Preview, camera, nullptr, nullptr), S_OK);
  Ref<IVideoWindow> window;
  ASSERT_EQ(builder->FindVideoWindow(PinCategory::Preview, camera, &window), S_OK);
  auto renderer = std::dynamic_pointer_cast<VideoRenderer>(window);
  ASSERT_EQ(control->Run(), S_OK);
  EXPECT_TRUE(PumpUntil([&] { return renderer->framesArrived() >= 3; }, 5000));
  PumpFor(500);
  ASSERT_EQ(control->Stop(), S_OK);
  orvane::test::ProbeResult probe = orvane::test::Probe(prefix.driveC() + "/mjpg.avi");
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_EQ(probe.streams[0].codecName, "mjpeg");
  EXPECT_EQ(probe.streams[0].width, 320);
  EXPECT_EQ(probe.streams[0].frameRate, "10/1");
  EXPECT_TRUE(orvane::test::DecodesCleanly(prefix.driveC() + "/mjpg.avi"));
  // Compressed frames are "00dc" in the data and every index.
  EXPECT_EQ(orvane::test::AviHeaderProblems(prefix.driveC() + "/mjpg.avi"),
            std::vector<std::string>{});
}

// Whatever the camera does, the file runs at the rate its header states and
// the sound stays with the picture: a camera in the dark (half its frames),
// one with jitter, an NV12-only one (stored as YUY2), one that sends broken
// JPEG frames (kept as they came: the file still plays).
TEST_F(Graph, EveryKindOfCameraRecordsAConstantRateInStepWithTheSound) {
  struct Case {
    VirtualCameraKind kind;
    VideoFormat format;
    const char* codec;
    const char* rate;
  } cases[] = {
      {VirtualCameraKind::kLowLight, {SubType::YUY2, 320, 240, 333333}, "rawvideo", "30/1"},
      {VirtualCameraKind::kJittery, {SubType::YUY2, 320, 240, 333333}, "rawvideo", "30/1"},
      {VirtualCameraKind::kNv12Ranges, {SubType::NV12, 640, 360, 666666}, "rawvideo", "15/1"},
      {VirtualCameraKind::kCorruptJpeg, {SubType::MJPG, 320, 240, 333333}, "mjpeg", "30/1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    testapi::SetDevices({testapi::VirtualCamera("Cam", c.kind), testapi::VirtualMicrophone()}, false);
    Ref<IBaseFilter> camera = Open(DeviceCategory::VideoInput);
    Ref<IBaseFilter> microphone = Open(DeviceCategory::AudioInput);
    ASSERT_TRUE(camera && microphone);
    Ref<IAMStreamConfig> config;
    ASSERT_EQ(builder->FindStreamConfig(PinCategory::Capture, camera, &config), S_OK);
    AM_MEDIA_TYPE* type = ToMediaType(c.format);
    ASSERT_EQ(config->SetFormat(type), S_OK);
    DeleteMediaType(type);
    Ref<IBaseFilter> mux;
    ASSERT_EQ(builder->SetOutputFileName(MEDIASUBTYPE_Avi, "C:\\kind.avi", &mux, nullptr), S_OK);
    ASSERT_EQ(builder->RenderStream(PinCategory::Capture, camera, nullptr, mux), S_OK);
    ASSERT_EQ(builder->RenderStream(PinCategory::Capture, microphone, nullptr, mux), S_OK);
    QElapsedTimer wall;
    wall.start();
    ASSERT_EQ(control->Run(), S_OK);
    PumpFor(3000);
    ASSERT_EQ(control->Stop(), S_OK);
    const double seconds = wall.elapsed() / 1000.0;
    const std::string file = prefix.driveC() + "/kind.avi";
    orvane::test::ProbeResult probe = orvane::test::Probe(file);
    ASSERT_TRUE(probe.ok) << probe.errors;
    ASSERT_EQ(probe.streams.size(), 2u);
    EXPECT_EQ(probe.streams[0].codecName, c.codec);
    EXPECT_EQ(probe.streams[0].frameRate, c.rate);
    const double fps = c.rate == std::string("30/1") ? 30 : 15;
    const double video = probe.streams[0].frames / fps;
    const double audio = probe.streams[1].headerFrames / 22050.0;
    EXPECT_NEAR(video, audio, 1.0 / fps);
    EXPECT_NEAR(video, seconds, 0.25);  // the run's start and stop take a moment
    EXPECT_EQ(orvane::test::AviHeaderProblems(file), std::vector<std::string>{});
    // A new graph for the next camera.
    control.reset();
    graph.reset();
    builder.reset();
    SetUp();
  }
}

// A camera another program holds cannot start: the run fails and says
// "busy" (ERROR_BUSY), with nothing left queued.
TEST_F(Graph, ABusyCameraFailsToRunAndSaysSo) {
  testapi::SetDevices({testapi::VirtualCamera("Cam", VirtualCameraKind::kBusy)}, false);
  Ref<IBaseFilter> camera = Open(DeviceCategory::VideoInput);
  ASSERT_EQ(builder->RenderStream(PinCategory::Preview, camera, nullptr, nullptr), S_OK);
  EXPECT_EQ(control->Run(), static_cast<HRESULT>(0x800700AA));
  Ref<IMediaEventEx> events;
  ASSERT_EQ(QueryInterface(graph, &events), S_OK);
  long code;
  INT_PTR p1, p2;
  EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
}
