#include <gtest/gtest.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <cmath>
#include <cstdio>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "platform/dshow/capturefilter.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/videorenderer.h"
#include "platform/ui/dialogbuilder.h"
#include "tests/dshow_edition/enginefixture.h"
#include "tests/support/audiochooseranswer.h"
#include "tests/support/eventloop.h"
#include "tests/support/ffprobe.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testfiles.h"

using namespace dshow;
using orvane::test::HostPath;
using orvane::test::PumpFor;
using orvane::test::PumpUntil;

namespace {

std::string VideoFile(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "videof%02d.avi", number);
  return std::string(kDefaultSaveVideo) + name;
}

using Recording = orvane::test::RecordingTest;

}  // namespace

TEST_F(Recording, RecordsNumberedFilesThatPlayAndBringsThePreviewBack) {
  owner.show();
  LoadSettings(&owner);
  ASSERT_TRUE(GraphState().previewing);
  struct Take {
    BOOL captureAudio;
    size_t streams;
  } takes[] = {{1, 2}, {0, 1}};
  for (int number = 0; number < 2; ++number) {
    SCOPED_TRACE(number);
    Settings().CaptureAudio = takes[number].captureAudio;
    Settings().MasterStream = 1;
    ASSERT_TRUE(Start());
    EXPECT_TRUE(GraphState().capturing);
    long master = 0;
    ASSERT_TRUE(GraphState().aviMuxConfig);
    GraphState().aviMuxConfig->GetMasterStream(&master);
    EXPECT_EQ(master, takes[number].captureAudio ? 1 : -1) << "no master stream without audio";
    EXPECT_EQ(std::string(Settings().CaptureFile), VideoFile(number));
    EXPECT_EQ(Settings().SaveVideo, VideoFile(number)) << "the main window reads it from here";
    QElapsedTimer recorded;
    recorded.start();
    PumpFor(1500);
    const double seconds = static_cast<double>(recorded.elapsed()) / 1000;
    Stop();
    EXPECT_FALSE(GraphState().capturing);
    EXPECT_TRUE(GraphState().previewing) << "the preview is back";
    EXPECT_TRUE(boxes.texts().empty());

    const std::string file = HostPath(VideoFile(number));
    const orvane::test::ProbeResult probe = orvane::test::Probe(file);
    ASSERT_TRUE(probe.ok) << probe.errors;
    ASSERT_EQ(probe.streams.size(), takes[number].streams);
    const orvane::test::ProbedStream& video = probe.streams[0];
    EXPECT_EQ(video.codecType, "video");
    EXPECT_EQ(video.width, 640);
    EXPECT_EQ(video.frameRate, "15/1") << "14.99 fps from the default profile";
    EXPECT_EQ(video.frames, video.headerFrames);
    EXPECT_NEAR(static_cast<double>(video.frames), seconds * 14.99, 4.0);
    if (takes[number].captureAudio) {
      EXPECT_EQ(probe.streams[1].codecType, "audio");
      EXPECT_EQ(probe.streams[1].sampleRate, 22050);
    }
    std::string errors;
    EXPECT_TRUE(orvane::test::DecodesCleanly(file, &errors)) << errors;
    std::printf("videof%02d.avi: %ld frames in %.2f s, %lld bytes, %zu streams\n", number,
                video.frames, seconds, static_cast<long long>(QFileInfo(QString::fromStdString(file)).size()),
                probe.streams.size());
  }
}

TEST_F(Recording, FileNameSearchReusesGapsAndAsksForRoomWhenAllAreTaken) {
  ASSERT_TRUE(SetUpCaptureFilters(&owner));
  auto chosen = [&] {
    EXPECT_TRUE(AssembleCaptureGraph(&owner));
    std::string file = Settings().CaptureFile;
    DismantleGraph();
    return file;
  };
  orvane::test::WriteHostFile(HostPath(VideoFile(0)), "x");
  orvane::test::WriteHostFile(HostPath(VideoFile(1)), "x");
  EXPECT_EQ(chosen(), VideoFile(2));
  std::remove(HostPath(VideoFile(0)).c_str());
  EXPECT_EQ(chosen(), VideoFile(0));

  for (int n = 0; n < 30; ++n) orvane::test::WriteHostFile(HostPath(VideoFile(n)), "x");
  int asked = 0;
  boxes.OnBox([&](const orvane::ui::MessageBoxCall&) {
    if (++asked == 2) std::remove(HostPath(VideoFile(17)).c_str());  // the user makes room
    return IDOK;
  });
  EXPECT_EQ(chosen(), VideoFile(17));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>(2, "File Full. Delete Useless Files."));
  EXPECT_EQ(orvane::test::ReadHostFile(HostPath(VideoFile(0))), "x") << "no file was touched";

  // A folder whose path leaves no room for the name is refused before the
  // graph is built; 259 bytes in all still fit.
  boxes.clear();
  Settings().SaveVideo = "C:\\" + std::string(243, 'd') + "\\";
  EXPECT_TRUE(AssembleCaptureGraph(&owner));
  EXPECT_EQ(std::string(Settings().CaptureFile).size(), 259u);
  DismantleGraph();
  Settings().SaveVideo = "C:\\" + std::string(244, 'd') + "\\";
  EXPECT_FALSE(AssembleCaptureGraph(&owner));
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_NE(boxes.texts()[0].find("too long"), std::string::npos);
  EXPECT_FALSE(GraphState().captureGraphBuilt || GraphState().muxFilter);
}

TEST_F(Recording, EveryCaptureGraphFailureSaysWhatFailed) {
  struct Case {
    const char* fault;
    int passes;
    std::vector<std::string> texts;
    BOOL built;
  } cases[] = {
      {"ICaptureGraphBuilder::SetOutputFileName", 0, {"Cannot set output file"}, FALSE},
      {"ICaptureGraphBuilder::RenderStream(Capture)", 0, {"Cannot render video capture stream"}, FALSE},
      {"ICaptureGraphBuilder::RenderStream(Preview)", 0, {"Cannot render video preview stream"}, FALSE},
      {"ICaptureGraphBuilder::RenderStream(Capture)", 1, {"Cannot render audio capture stream"}, FALSE},
      {"ICaptureGraphBuilder::FindInterface(IVideoWindow,Preview)", 0, {"This graph cannot preview"}, TRUE},
      {"IAMStreamConfig::SetFormat", 0, {"Cannot set frame rate for capture"}, TRUE},
      {"IAMStreamConfig::GetFormat", 0, {"Cannot set frame rate for capture"}, TRUE},
      {"QueryInterface(IConfigAviMux)", 0, {}, TRUE},
  };
  Settings().CaptureAudio = 1;
  ASSERT_TRUE(SetUpCaptureFilters(&owner));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fault) + " after " + std::to_string(c.passes));
    boxes.clear();
    faults::Arm(c.fault, E_FAIL, 1, c.passes);
    EXPECT_EQ(AssembleCaptureGraph(&owner), c.built);
    EXPECT_EQ(boxes.texts(), c.texts);
    EXPECT_EQ(GraphState().captureGraphBuilt, static_cast<bool>(c.built));
    EXPECT_EQ(static_cast<bool>(GraphState().muxFilter), static_cast<bool>(c.built));
    EXPECT_EQ(static_cast<bool>(GraphState().graphEvents), static_cast<bool>(c.built));
    faults::DisarmAll();
    DismantleGraph();
  }
  // A failed video branch leaves no multiplexer behind: the next preview
  // neither opens the file nor waits on a stream that cannot come.
  faults::Arm("ICaptureGraphBuilder::RenderStream(Capture)", E_FAIL, 1);
  EXPECT_FALSE(AssembleCaptureGraph(&owner));
  ASSERT_TRUE(AssemblePreviewGraph(&owner));
  ASSERT_TRUE(RunPreview());
  QElapsedTimer halt;
  halt.start();
  EXPECT_TRUE(HaltPreview());
  EXPECT_LT(halt.elapsed(), 1000);
  EXPECT_FALSE(orvane::test::HostExists(HostPath(Settings().CaptureFile)));
  DismantleGraph();

  // Refused without a word: no audio device while audio is asked for.
  boxes.clear();
  GraphState().audioCapture.reset();
  EXPECT_FALSE(AssembleCaptureGraph(&owner));
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(Recording, StartFailuresTheCancelledPromptAndStoppingWithNothingRecorded) {
  owner.show();
  LoadSettings(&owner);
  PumpFor(50);
  const int paints = owner.paints;
  EXPECT_FALSE(EndRecording(&owner));
  PumpFor(20);
  EXPECT_EQ(owner.paints, paints) << "no repaint";
  EXPECT_TRUE(boxes.texts().empty());

  // Esc: no recording, the capture graph is gone, the preview runs again.
  EXPECT_FALSE(Start(false));
  EXPECT_FALSE(GraphState().capturing || GraphState().captureGraphBuilt);
  EXPECT_TRUE(GraphState().previewGraphBuilt && GraphState().previewing);
  EXPECT_TRUE(boxes.texts().empty());
  // The file opened for it holds nothing of a recording: it goes, and its
  // number is free for the next.
  EXPECT_FALSE(orvane::test::HostExists(HostPath(VideoFile(0))));

  struct Case {
    const char* fault;
    std::string text;
  } cases[] = {
      {"QueryInterface(IMediaControl)", "Error 80004002: Cannot get IMediaControl"},
      {"IMediaControl::Run", "Error 80004005: Cannot start graph"},
  };
  for (const Case& c : cases) {
    boxes.clear();
    HaltPreview();
    DismantleGraph();
    ASSERT_TRUE(AssembleCaptureGraph(&owner));
    faults::Arm(c.fault, c.text.find("IMediaControl") != std::string::npos ? E_NOINTERFACE : E_FAIL, 1);
    EXPECT_FALSE(BeginRecording(&owner));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{c.text});
    EXPECT_FALSE(GraphState().capturing);
    EXPECT_TRUE(GraphState().captureGraphBuilt) << "built, not recording";
    faults::DisarmAll();
  }

  // A failing stop is said, and the recording goes on.
  ASSERT_TRUE(Start());
  boxes.clear();
  faults::Arm("IMediaControl::Stop", E_FAIL, 1);
  EXPECT_FALSE(EndRecording(&owner));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error 80004005: Cannot stop graph"});
  EXPECT_TRUE(GraphState().capturing);
  EXPECT_TRUE(EndRecording(&owner));
  EXPECT_FALSE(GraphState().capturing);
}

TEST_F(Recording, WithoutStreamControlTheGraphWaitsPausedBehindThePrompt) {
  DeviceDescription camera = testapi::VirtualCamera();
  camera.hasStreamControl = false;
  testapi::SetDevices({camera, testapi::VirtualMicrophone()}, false);
  owner.show();
  LoadSettings(&owner);
  long framesDuringPrompt = -1;
  HaltPreview();
  DismantleGraph();
  ASSERT_TRUE(AssembleCaptureGraph(&owner));
  auto renderer = std::dynamic_pointer_cast<VideoRenderer>(GraphState().videoWindow);
  ASSERT_TRUE(renderer);
  orvane::test::WhenModalShows<QDialog>([&](QDialog* prompt) {
    const long before = renderer->framesArrived();
    PumpFor(300);
    framesDuringPrompt = renderer->framesArrived() - before;
    qobject_cast<QPushButton*>(orvane::ui::GetDlgItem(prompt, IDOK))->click();
  });
  ASSERT_TRUE(BeginRecording(&owner));
  EXPECT_LE(framesDuringPrompt, 1) << "paused: no live picture";
  PumpFor(800);
  Stop();
  const orvane::test::ProbeResult probe = orvane::test::Probe(HostPath(VideoFile(0)));
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_GE(probe.streams.at(0).frames, 8) << "written after OK";
  EXPECT_TRUE(boxes.texts().empty());

  // The run after OK can fail too: said with its code, nothing recording.
  HaltPreview();
  DismantleGraph();
  ASSERT_TRUE(AssembleCaptureGraph(&owner));
  orvane::test::WhenModalShows<QDialog>([&](QDialog* prompt) {
    faults::Arm("IMediaControl::Run", E_FAIL, 1);
    qobject_cast<QPushButton*>(orvane::ui::GetDlgItem(prompt, IDOK))->click();
  });
  EXPECT_FALSE(BeginRecording(&owner));
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error 80004005: Cannot run graph"});
  EXPECT_FALSE(GraphState().capturing);
}

TEST_F(Recording, AFullDiskEndsTheRecordingOnceAndTheFilePlays) {
  owner.show();
  LoadSettings(&owner);
  {
    // About five frames of 640 x 480 YUY2 fit.
    orvane::test::FileSizeLimit full(3 * 1024 * 1024);
    boxes.OnBox([](const orvane::ui::MessageBoxCall&) {
      EXPECT_FALSE(GraphState().capturing);
      EXPECT_TRUE(GraphState().previewing) << "the preview is restored before the message";
      return IDOK;
    });
    ASSERT_TRUE(Start());
    EXPECT_TRUE(PumpUntil([] { return !GraphState().capturing; }, 5000));
  }
  PumpFor(200);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"ERROR during capture - disk possibly full"});
  EXPECT_GE(owner.graphNotifications, 1);
  const std::string file = HostPath(VideoFile(0));
  const orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_GE(probe.streams.at(0).frames, 1);
  EXPECT_EQ(probe.streams.at(0).frames, probe.streams.at(0).headerFrames);
  std::string errors;
  EXPECT_TRUE(orvane::test::DecodesCleanly(file, &errors)) << errors;
  std::printf("full disk: %ld frames kept, %lld bytes\n", probe.streams.at(0).frames,
              static_cast<long long>(QFileInfo(QString::fromStdString(file)).size()));

  // The disk fills while Stop finishes the file: the user hears of it once,
  // and the repaired file is kept.
  boxes.clear();
  boxes.OnBox([](const orvane::ui::MessageBoxCall&) { return IDOK; });
  ASSERT_TRUE(Start());
  PumpFor(800);
  const std::string second = HostPath(VideoFile(1));
  {
    orvane::test::FileSizeLimit full(static_cast<rlim_t>(QFileInfo(QString::fromStdString(second)).size()) + 200);
    EXPECT_TRUE(EndRecording(&owner));
  }
  PumpFor(200);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"ERROR during capture - disk possibly full"});
  const orvane::test::ProbeResult cut = orvane::test::Probe(second);
  ASSERT_TRUE(cut.ok) << cut.errors;
  EXPECT_EQ(cut.streams.at(0).frames, cut.streams.at(0).headerFrames);
  EXPECT_TRUE(orvane::test::DecodesCleanly(second, &errors)) << errors;
}

TEST_F(Recording, ACameraUnpluggedWhileRecordingEndsItWithOneMessageAndAFileThatPlays) {
  owner.show();
  LoadSettings(&owner);
  ASSERT_TRUE(Start());
  PumpFor(1000);
  dshow::testapi::FailRunningDevice(GraphState().videoCapture);
  EXPECT_TRUE(PumpUntil([] { return !GraphState().capturing; }, 5000));
  // The preview of the gone camera cannot come back, and says why: that is
  // the one message (the disk is not full).
  PumpFor(500);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Error 8007048f: Cannot run preview graph"});
  const std::string file = HostPath(VideoFile(0));
  const orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_GE(probe.streams.at(0).frames, 5);
  EXPECT_EQ(probe.streams.at(0).frames, probe.streams.at(0).headerFrames);
  std::string errors;
  EXPECT_TRUE(orvane::test::DecodesCleanly(file, &errors)) << errors;
  // Still usable: a recording with the camera gone starts and stops.
  Start();
  PumpFor(300);
  QElapsedTimer stop;
  stop.start();
  Stop();
  EXPECT_LT(stop.elapsed(), 3000);
  EXPECT_FALSE(GraphState().capturing);
  EXPECT_TRUE(GraphState().previewGraphBuilt);
}

TEST_F(Recording, PickAudioFormatAppliesTheChoiceWithThePreviewHalted) {
  owner.show();
  LoadSettings(&owner);
  auto current = [] {
    AM_MEDIA_TYPE* type = nullptr;
    EXPECT_EQ(GraphState().audioStreamConfig->GetFormat(&type), S_OK);
    std::optional<AudioFormat> format = type ? AudioFormatOf(*type) : std::nullopt;
    DeleteMediaType(type);
    return format;
  };
  {
    orvane::test::AudioChooserAnswer cancel(std::nullopt);
    PickAudioFormat(&owner);
    EXPECT_EQ(cancel.opened, 1);
    EXPECT_EQ(cancel.initial, (AudioFormat{22050, 16, 1})) << "opens on the current format";
    EXPECT_EQ(current(), (AudioFormat{22050, 16, 1}));
  }
  {
    orvane::test::AudioChooserAnswer choose(AudioFormat{44100, 16, 2});
    PickAudioFormat(&owner);
    EXPECT_EQ(current(), (AudioFormat{44100, 16, 2}));
    EXPECT_TRUE(GraphState().previewing);
  }
  GraphState().audioStreamConfig.reset();
  orvane::test::AudioChooserAnswer untouched(AudioFormat{8000, 8, 1});
  PickAudioFormat(&owner);
  EXPECT_EQ(untouched.opened, 0);
  EXPECT_TRUE(boxes.texts().empty());
}
