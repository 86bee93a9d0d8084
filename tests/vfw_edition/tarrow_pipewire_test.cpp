// Tarrow on a real PipeWire session: its capture window drives the
// desktop's camera (30/1 and 15/1 only, named through devices.ini) and
// records it with the PipeWire microphone.
#include <gtest/gtest.h>

#include <QAbstractButton>

#include "platform/dshow/devices.h"
#include "platform/ui/dialogbuilder.h"
#include "resources/tarrow/tarrowresources.h"
#include "tests/support/aviheaders.h"
#include "tests/support/eventloop.h"
#include "tests/support/ffprobe.h"
#include "tests/support/privatepipewire.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/scopedresourcemodule.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"
#include "vfw_edition/capturedriver.h"
#include "vfw_edition/recordoptions.h"
#include "vfw_edition/vfwviewerdialog.h"

using orvane::test::PumpFor;
using orvane::test::PumpUntil;

TEST(TarrowOnPipeWire, RecordsTheDesktopsCameraAndMicrophoneInStep) {
  orvane::test::TempPrefix prefix;
  orvane::test::PrivatePipeWire session;
  ASSERT_TRUE(session.running()) << session.error();
  const int camera = session.Publish({"--camera", "Integrated Camera", "--size", "640x480",
                                      "--size", "320x240", "--path", "/dev/video0",
                                      "--microphone", "Built-in Microphone"});
  ASSERT_GE(camera, 0);
  orvane::test::WriteHostFile(prefix.path("devices.ini"),
                              "[names]\n/dev/video0=Lumitrex USB Camera\n");
  dshow::testapi::SetDevices({}, true);
  ASSERT_TRUE(PumpUntil(
      [] {
        return dshow::ListDevices(DeviceCategory::VideoInput).size() == 1 &&
               dshow::ListDevices(DeviceCategory::AudioInput).size() == 1;
      },
      5000));

  ResetRecordOptions();
  DriverFound = 0;
  orvane::test::ScopedResourceModule resources{&orvane::resources::TarrowResources()};
  orvane::test::RecordingMessageBoxes boxes;
  auto dialog = std::make_unique<VfwViewerDialog>();
  ASSERT_TRUE(dialog->Create());
  dialog->show();
  auto click = [&](int id) {
    qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(dialog.get(), id))->click();
  };
  EXPECT_TRUE(boxes.texts().empty()) << "the camera is found by its name and connected";
  RecordOptions.CaptureAudio = 1;  // 소리 (sound) in the capture options

  click(1001);  // 녹화 (Start)
  PumpFor(6000);
  click(1002);  // 정지 (Stop)
  // The sequence's own clock, from its start to Stop.
  CAPSTATUS status{};
  ASSERT_TRUE(SendCaptureMessage(WM_CAP_GET_STATUS, sizeof status, reinterpret_cast<LPARAM>(&status)));
  const double seconds = status.dwCurrentTimeElapsedMS / 1000.0;
  const std::string file = prefix.driveC() + "/Lumitrex Images/video/vid00000.avi";
  const orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_TRUE(probe.ok) << probe.errors;
  ASSERT_EQ(probe.streams.size(), 2u);
  EXPECT_EQ(probe.streams[0].frameRate, "15/1");
  const double video = probe.streams[0].frames / 15.0;
  const double audio = probe.streams[1].headerFrames / double(probe.streams[1].sampleRate);
  // Within a frame and one of PipeWire's sound blocks (1024 samples at 48 kHz).
  EXPECT_NEAR(video, audio, 1.0 / 15 + 1024.0 / 48000);
  EXPECT_NEAR(video, seconds, 1.0 / 15 + 0.1);  // Stop's own moment
  EXPECT_EQ(orvane::test::AviHeaderProblems(file), std::vector<std::string>{});
  EXPECT_TRUE(boxes.texts().empty());

  // Unplugged while the preview runs: the picture stops, once, with why.
  session.Unpublish(camera);
  ASSERT_TRUE(PumpUntil([&] { return !boxes.texts().empty(); }, 5000));
  PumpFor(300);
  EXPECT_EQ(boxes.texts(),
            std::vector<std::string>{"The video capture device stopped (error 8007048f)."});
  click(1);  // the exit button
  dialog.reset();
  dshow::testapi::ResetDevices();
}
