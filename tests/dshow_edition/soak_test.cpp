// Long sessions in one process, through both programs' camera faces: a
// hundred previews built and taken down and twenty recordings with sound
// leave no media object, descriptor or thread behind. The sanitizer build
// adds the heap: LeakSanitizer checks this process at its exit.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "platform/dshow/liveobjects.h"
#include "platform/dshow/rendererwidget.h"
#include "platform/dshow/videorenderer.h"
#include "platform/system/winpath.h"
#include "platform/vfw/capturewindow.h"
#include "tests/dshow_edition/enginefixture.h"
#include "tests/support/eventloop.h"
#include "tests/support/ffprobe.h"
#include "tests/support/testprefix.h"

namespace {

using orvane::test::PumpFor;
using orvane::test::PumpUntil;

int EntriesIn(const char* folder) {
  int count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

// What the process holds besides its heap: counted only between the
// sessions' steps, with every pipeline stopped.
struct Resources {
  int descriptors = 0;
  int threads = 0;
};

Resources Take() {
  PumpFor(200);  // lets streaming threads wind down and posted messages go
  return {EntriesIn("/proc/self/fd"), EntriesIn("/proc/self/task")};
}

std::string Listed(const std::map<std::string, int>& grown) {
  std::ostringstream out;
  for (const auto& [type, count] : grown) out << type << " " << std::showpos << count << "\n";
  return out.str();
}

// Starts the count of what the session leaves behind.
Resources Before() {
  const Resources before = Take();
  EXPECT_TRUE(dshow::testapi::StartCountingMediaObjects())
      << "the test runs with GST_TRACERS=leaks";
  return before;
}

void ExpectNothingLeft(const Resources& before) {
  const Resources after = Take();
  const std::map<std::string, int> grown = dshow::testapi::MediaObjectsGrown();
  dshow::testapi::StopCountingMediaObjects();
  EXPECT_TRUE(grown.empty()) << "media objects left behind:\n" << Listed(grown);
  EXPECT_EQ(after.descriptors, before.descriptors);
  // Thread pools keep a few idle threads; a thread per build would be 120.
  EXPECT_LE(after.threads, before.threads + 4);
}

void ExpectPlays(const std::string& file, size_t streams) {
  const orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_TRUE(probe.ok) << probe.errors;
  ASSERT_EQ(probe.streams.size(), streams);
  EXPECT_GT(probe.streams[0].frames, 0);
  std::string errors;
  EXPECT_TRUE(orvane::test::DecodesCleanly(file, &errors)) << errors;
}

std::string VideoFile(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "videof%02d.avi", number);
  return orvane::winpath::ToHost(std::string(kDefaultSaveVideo) + name).value_or("");
}

}  // namespace

using Soak = orvane::test::RecordingTest;

TEST_F(Soak, AHundredPreviewsAndTwentyRecordingsLeaveNothingBehind) {
  Settings().CaptureAudio = 1;
  owner.show();
  LoadSettings(&owner);
  ASSERT_TRUE(GraphState().previewing);

  auto previewShows = [&] {
    auto renderer = std::dynamic_pointer_cast<dshow::VideoRenderer>(GraphState().videoWindow);
    return renderer && PumpUntil([&] { return renderer->framesArrived() >= 1; }, 5000);
  };
  auto cyclePreview = [&] {
    HaltPreview();
    DismantleGraph();
    return AssemblePreviewGraph(&owner) && RunPreview() && previewShows();
  };
  auto record = [&](int number) {
    if (!Start()) return false;
    PumpFor(300);
    Stop();
    return std::filesystem::file_size(VideoFile(number)) > 0 && GraphState().previewing;
  };
  auto quiet = [&] {
    HaltPreview();
    DismantleGraph();
  };

  // One of each first, so that what is made once per run exists before the count.
  ASSERT_TRUE(cyclePreview());
  ASSERT_TRUE(record(0));
  quiet();
  const Resources before = Before();

  for (int cycle = 0; cycle < 100; ++cycle) ASSERT_TRUE(cyclePreview()) << "cycle " << cycle;
  for (int number = 1; number <= 20; ++number)
    ASSERT_TRUE(record(number)) << "recording " << number;
  EXPECT_TRUE(boxes.texts().empty());
  quiet();
  ExpectNothingLeft(before);
  ExpectPlays(VideoFile(20), 2);
}

TEST(SoakCaptureWindow, AHundredConnectionsAndTwentySequencesLeaveNothingBehind) {
  orvane::test::TempPrefix prefix;
  QWidget parent;
  parent.resize(400, 300);
  parent.show();

  // Tarrow's way: a window per connection, made and connected with the
  // sequence settings and the preview on, then disconnected and destroyed.
  HWND window = nullptr;
  auto connect = [&] {
    window = capCreateCaptureWindowA("Video Capture Window", kCapWsChild | kCapWsVisible, 0, 0, 320,
                                     240, &parent, 1);
    CAPTUREPARMS setup{};
    SendMessage(window, WM_CAP_GET_SEQUENCE_SETUP, sizeof setup, reinterpret_cast<LPARAM>(&setup));
    setup.dwRequestMicroSecPerFrame = 66667;
    setup.fYield = TRUE;
    setup.fCaptureAudio = TRUE;
    setup.vKeyAbort = 0;
    setup.fAbortLeftMouse = setup.fAbortRightMouse = FALSE;
    return SendMessage(window, WM_CAP_DRIVER_CONNECT, 0, 0) &&
           SendMessage(window, WM_CAP_SET_SEQUENCE_SETUP, sizeof setup,
                       reinterpret_cast<LPARAM>(&setup)) &&
           SendMessage(window, WM_CAP_SET_PREVIEW, 1, 0);
  };
  auto disconnect = [&] {
    SendMessage(window, WM_CAP_SET_PREVIEW, 0, 0);
    SendMessage(window, WM_CAP_DRIVER_DISCONNECT, 0, 0);
    delete window;
  };
  auto cyclePreview = [&] {
    const bool shown = connect() && PumpUntil(
                                        [&] {
                                          auto* renderer =
                                              window->findChild<dshow::RendererWidget*>();
                                          return renderer && renderer->receivedFrames() >= 1;
                                        },
                                        5000);
    disconnect();
    return shown;
  };
  auto record = [&](int number) {
    const std::string file = "C:\\seq" + std::to_string(number) + ".avi";
    if (!SendMessage(window, WM_CAP_FILE_SET_CAPTURE_FILEA, 0,
                     reinterpret_cast<LPARAM>(file.c_str())) ||
        !SendMessage(window, WM_CAP_SEQUENCE, 0, 0))
      return false;
    PumpFor(300);
    return SendMessage(window, WM_CAP_STOP, 0, 0) != 0;
  };

  ASSERT_TRUE(cyclePreview());
  ASSERT_TRUE(connect());
  ASSERT_TRUE(record(0));
  disconnect();
  const Resources before = Before();

  for (int cycle = 0; cycle < 100; ++cycle) ASSERT_TRUE(cyclePreview()) << "cycle " << cycle;
  ASSERT_TRUE(connect());
  for (int number = 1; number <= 20; ++number) ASSERT_TRUE(record(number)) << "sequence " << number;
  disconnect();
  ExpectNothingLeft(before);
  ExpectPlays(prefix.driveC() + "/seq20.avi", 2);
}
