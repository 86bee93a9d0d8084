#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <csignal>
#include <functional>

#include "platform/dshow/com.h"
#include "platform/dshow/devices.h"
#include "platform/ui/windowmessage.h"
#include "tests/support/eventloop.h"
#include "tests/support/ffprobe.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testprefix.h"

using namespace dshow;

namespace {

// Counts the graph-event messages it receives.
class NotifyWindow : public QWidget {
 public:
  int messages = 0;
  INT_PTR lastInstance = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == WindowMessageEvent::EventType()) {
      auto* m = static_cast<WindowMessageEvent*>(e);
      if (m->message() == WM_USER + 1) {
        ++messages;
        lastInstance = m->lParam();
      }
      return true;
    }
    return QWidget::event(e);
  }
};

}  // namespace

TEST(GraphEvents, AFullDiskEndsTheRecordingWithOneAbortAndAPlayableFile) {
  orvane::test::TempPrefix prefix;
  testapi::SetDevices({testapi::VirtualCamera(), testapi::VirtualMicrophone()}, false);
  Ref<ICaptureGraphBuilder> builder;
  Ref<IGraphBuilder> graph;
  ASSERT_EQ(CoCreateInstance(Clsid::CaptureGraphBuilder, &builder), S_OK);
  ASSERT_EQ(CoCreateInstance(Clsid::FilterGraph, &graph), S_OK);
  builder->SetFiltergraph(graph);
  Ref<ICreateDevEnum> devEnum;
  CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum);
  Ref<IBaseFilter> camera, microphone;
  for (auto [category, filter] : {std::pair{DeviceCategory::VideoInput, &camera},
                                  std::pair{DeviceCategory::AudioInput, &microphone}}) {
    Ref<IEnumMoniker> monikers;
    ASSERT_EQ(devEnum->CreateClassEnumerator(category, &monikers, 0), S_OK);
    Ref<IMoniker> moniker;
    monikers->Next(1, &moniker, nullptr);
    moniker->BindToObject(filter);
    graph->AddFilter(*filter, "");
  }
  Ref<IBaseFilter> mux;
  ASSERT_EQ(builder->SetOutputFileName(MEDIASUBTYPE_Avi, "C:\\videof00.avi", &mux, nullptr), S_OK);
  builder->RenderStream(PinCategory::Capture, camera, nullptr, mux);
  builder->RenderStream(PinCategory::Capture, microphone, nullptr, mux);
  builder->RenderStream(PinCategory::Preview, camera, nullptr, nullptr);

  NotifyWindow window;
  Ref<IMediaEventEx> events;
  Ref<IMediaControl> control;
  ASSERT_EQ(QueryInterface(graph, &events), S_OK);
  ASSERT_EQ(QueryInterface(graph, &control), S_OK);
  ASSERT_EQ(events->SetNotifyWindow(&window, WM_USER + 1, 0), S_OK);
  long code;
  INT_PTR p1, p2;
  EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);  // nothing queued yet

  {
    orvane::test::FileSizeLimit limit(3 * 1024 * 1024);  // about five frames of 640x480 YUY2
    ASSERT_EQ(control->Run(), S_OK);
    orvane::test::PumpUntil([&] { return window.messages > 0; }, 5000);
    orvane::test::PumpFor(300);  // later errors must not post again
  }
  EXPECT_EQ(window.messages, 1);
  ASSERT_EQ(events->GetEvent(&code, &p1, &p2, 0), S_OK);
  EXPECT_EQ(code, EC_ERRORABORT);
  EXPECT_EQ(static_cast<HRESULT>(p1), static_cast<HRESULT>(0x8007001D)) << "past a size limit: a write fault";
  EXPECT_EQ(events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
  EXPECT_EQ(control->Stop(), S_FALSE);  // not finished cleanly: made whole

  const std::string file = prefix.driveC() + "/videof00.avi";
  orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_FALSE(probe.streams.empty()) << probe.errors;
  EXPECT_EQ(probe.streams[0].codecType, "video");
  EXPECT_GT(probe.streams[0].frames, 0);
  // The headers tell what the file holds, not what was meant to be written.
  EXPECT_EQ(probe.streams[0].headerFrames, probe.streams[0].frames);
  EXPECT_NEAR(probe.duration, probe.streams[0].frames / 15.0, 0.6);
  std::string errors;
  EXPECT_TRUE(orvane::test::DecodesCleanly(file, &errors)) << errors;
  testapi::ResetDevices();
}
