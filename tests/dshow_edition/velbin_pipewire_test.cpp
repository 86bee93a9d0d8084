// Velbin on a real PipeWire session, as on a GNOME or KDE desktop: the
// camera (30/1 and 15/1 only) and the microphone both come through
// PipeWire, and devices.ini names the camera by its /dev/video0.
#include <gtest/gtest.h>

#include <linux/videodev2.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "dshow_edition/viewerdialog.h"
#include "platform/dshow/devices.h"
#include "platform/system/clock.h"
#include "platform/system/winpath.h"
#include "platform/ui/dialogbuilder.h"
#include "resources/velbin/velbinresources.h"
#include "tests/support/aviheaders.h"
#include "tests/support/dialoganswers.h"
#include "tests/support/eventloop.h"
#include "tests/support/fakeuvccamera.h"
#include "tests/support/ffprobe.h"
#include "tests/support/privatepipewire.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/scopedresourcemodule.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using orvane::test::PumpFor;
using orvane::test::PumpUntil;

namespace {

bool Listed(DeviceCategory category, const std::string& name) {
  for (const dshow::DeviceDescription& d : dshow::ListDevices(category))
    if (d.friendlyName == name) return true;
  return false;
}

}  // namespace

TEST(VelbinOnPipeWire, PreviewsAndRecordsTheDesktopsCameraAndMicrophoneInStep) {
  orvane::test::TempPrefix prefix;
  orvane::test::PrivatePipeWire session;
  ASSERT_TRUE(session.running()) << session.error();
  const int camera = session.Publish({"--camera", "Integrated Camera", "--size", "640x480",
                                      "--size", "320x240", "--path", "/dev/video0"});
  ASSERT_GE(camera, 0);
  ASSERT_GE(session.Publish({"--microphone", "Built-in Microphone"}), 0);
  orvane::test::WriteHostFile(prefix.path("devices.ini"),
                              "[names]\n/dev/video0=Lumitrex USB Camera\n");
  // Only what the desktop offers: no virtual devices to fall back on.
  dshow::testapi::SetDevices({}, true);
  ASSERT_TRUE(PumpUntil(
      [] {
        return Listed(DeviceCategory::VideoInput, "Lumitrex USB Camera") &&
               Listed(DeviceCategory::AudioInput, "Built-in Microphone");
      },
      5000));

  GraphState() = CaptureGraphState{};
  Settings() = CaptureSettings{};
  Recording = SequentialPhoto = FALSE;
  orvane::test::ScopedResourceModule resources{&orvane::resources::VelbinResources()};
  orvane::test::RecordingMessageBoxes boxes;
  auto dialog = std::make_unique<ViewerDialog>();
  ASSERT_TRUE(dialog->Create());
  dialog->show();
  auto button = [&](int id) {
    return qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(dialog.get(), id));
  };
  EXPECT_TRUE(boxes.texts().empty()) << boxes.texts().front();
  ASSERT_TRUE(GraphState().previewing);
  EXPECT_TRUE(Settings().CaptureAudio);

  // Start, the prompt's OK, six seconds, Stop: as a user does.
  orvane::test::WhenModalShows<QDialog>([](QDialog* prompt) { prompt->accept(); });
  button(1005)->click();
  PumpFor(6000);
  // The recording's own clock: from the prompt's OK to Stop.
  const double seconds = (timeGetTime() - GraphState().RecordStartTime) / 1000.0;
  button(1006)->click();
  EXPECT_TRUE(boxes.texts().empty()) << boxes.texts().front();
  const std::string file =
      orvane::winpath::ToHost("C:\\Lumitrex Images\\Video\\videof00.avi").value_or("");
  const orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_TRUE(probe.ok) << probe.errors;
  ASSERT_EQ(probe.streams.size(), 2u);
  EXPECT_EQ(probe.streams[0].frameRate, "15/1") << "the profile's 14.99 fps, the camera's 15/1";
  const double video = probe.streams[0].frames / 15.0;
  const double audio = probe.streams[1].headerFrames / double(probe.streams[1].sampleRate);
  // Within a frame and one of PipeWire's sound blocks (1024 samples at 48 kHz).
  EXPECT_NEAR(video, audio, 1.0 / 15 + 1024.0 / 48000);
  EXPECT_NEAR(video, seconds, 1.0 / 15 + 0.1);  // Stop's own moment
  EXPECT_EQ(orvane::test::AviHeaderProblems(file), std::vector<std::string>{});
  ASSERT_TRUE(GraphState().previewing) << "the preview is back after the recording";

  // The camera unplugged while the preview runs: it stops once, with why.
  session.Unpublish(camera);
  ASSERT_TRUE(PumpUntil([] { return !GraphState().previewing; }, 5000));
  PumpFor(300);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error 8007048f: Cannot run preview graph"});
  button(1)->click();  // Ok ends the program
  dialog.reset();
  dshow::testapi::ResetDevices();
}

// A webcam V4L2 drives, reached through PipeWire, which passes on no
// controls: Source... offers the driver's own through /dev/video0, what is
// set there and with Format ... is this camera's, and the next start sets
// it again after a replug brought the driver's defaults back.
TEST(VelbinOnPipeWire, SourceOffersTheWebcamsOwnControlsAndTheNextStartSetsThemAgain) {
  orvane::test::TempPrefix prefix;
  orvane::test::PrivatePipeWire session;
  ASSERT_TRUE(session.running()) << session.error();
  ASSERT_GE(session.Publish({"--camera", "HD Webcam", "--size", "640x480", "--size", "320x240",
                             "--path", "/dev/video0"}),
            0);
  orvane::test::WriteHostFile(prefix.path("devices.ini"),
                              "[names]\n/dev/video0=Lumitrex USB Camera\n");
  dshow::testapi::SetDevices({}, true);
  ASSERT_TRUE(PumpUntil([] { return Listed(DeviceCategory::VideoInput, "Lumitrex USB Camera"); },
                        5000));
  orvane::test::FakeUvcCamera webcam;
  dshow::testapi::SetControlNodeOpener([&webcam](const std::string& path) {
    return path == "/dev/video0" ? webcam.Open() : nullptr;
  });
  orvane::test::ScopedResourceModule resources{&orvane::resources::VelbinResources()};
  orvane::test::RecordingMessageBoxes boxes;
  auto start = [] {
    GraphState() = CaptureGraphState{};
    Settings() = CaptureSettings{};
    auto dialog = std::make_unique<ViewerDialog>();
    EXPECT_TRUE(dialog->Create());
    dialog->show();
    return dialog;
  };
  auto click = [](QWidget* dialog, int id) {
    qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(dialog, id))->click();
  };
  auto dialog = start();
  ASSERT_TRUE(GraphState().previewing);

  bool drivenWhileAutomatic = false, freedByTheSwitch = false;
  orvane::test::WhenWindowShows("settings", [&](QWidget* settings) {
    orvane::test::WhenWindowShows("propertyFrame", [](QWidget* frame) {
      auto* size = frame->findChild<QComboBox*>("size");
      size->setCurrentIndex(size->findText("320 x 240 YUY2"));
      frame->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    click(settings, 1034);  // Format ...
    orvane::test::WhenWindowShows("propertyFrame", [&](QWidget* frame) {
      auto* tabs = frame->findChild<QTabWidget*>();
      EXPECT_EQ(tabs->count(), 2);
      EXPECT_EQ(tabs->tabText(1), "Camera Control") << "exposure on a tab of its own";
      auto* temperature = frame->findChild<QSlider*>("White Balance Temperature");
      drivenWhileAutomatic = !temperature->isEnabled();
      frame->findChild<QCheckBox*>("White Balance, Automatic")->setChecked(false);
      freedByTheSwitch = temperature->isEnabled();
      temperature->setValue(3000);
      frame->findChild<QSlider*>("Brightness")->setValue(200);
      auto* mains = frame->findChild<QComboBox*>("Power Line Frequency");
      mains->setCurrentIndex(mains->findText("50 Hz"));
      auto* exposure = frame->findChild<QComboBox*>("Auto Exposure");
      exposure->setCurrentIndex(exposure->findText("Manual Mode"));
      frame->findChild<QSlider*>("Exposure Time, Absolute")->setValue(300);
      frame->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    click(settings, 1033);  // Source...
    click(settings, 1);
  });
  qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(dialog.get(), 1008))->click();
  EXPECT_TRUE(drivenWhileAutomatic);
  EXPECT_TRUE(freedByTheSwitch);
  auto expectSet = [&webcam](const char* when) {
    EXPECT_EQ(webcam.value(V4L2_CID_BRIGHTNESS), 200) << when;
    EXPECT_EQ(webcam.value(V4L2_CID_AUTO_WHITE_BALANCE), 0) << when;
    EXPECT_EQ(webcam.value(V4L2_CID_WHITE_BALANCE_TEMPERATURE), 3000) << when;
    EXPECT_EQ(webcam.value(V4L2_CID_POWER_LINE_FREQUENCY), 1) << when;
    EXPECT_EQ(webcam.value(V4L2_CID_EXPOSURE_AUTO), V4L2_EXPOSURE_MANUAL) << when;
    EXPECT_EQ(webcam.value(V4L2_CID_EXPOSURE_ABSOLUTE), 300) << when;
    EXPECT_EQ(webcam.value(V4L2_CID_CONTRAST), 32) << when << ": untouched";
  };
  expectSet("after OK");

  // Closed, replugged (the driver's defaults), started again.
  qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(dialog.get(), 1))->click();
  dialog.reset();
  webcam.Replug();
  ASSERT_EQ(webcam.value(V4L2_CID_BRIGHTNESS), 128);
  dialog = start();
  ASSERT_TRUE(GraphState().previewing);
  expectSet("at the next start");
  AM_MEDIA_TYPE* type = nullptr;
  ASSERT_EQ(GraphState().videoStreamConfig->GetFormat(&type), S_OK);
  const auto format = dshow::VideoFormatOf(*type);
  DeleteMediaType(type);
  ASSERT_TRUE(format);
  EXPECT_EQ(format->width, 320);
  EXPECT_EQ(std::abs(format->height), 240);
  EXPECT_TRUE(boxes.texts().empty()) << boxes.texts().front();
  qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(dialog.get(), 1))->click();
  dialog.reset();
  dshow::testapi::SetControlNodeOpener({});
  dshow::testapi::ResetDevices();
}
