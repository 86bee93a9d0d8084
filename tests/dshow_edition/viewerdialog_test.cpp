// Velbin's windows end to end, offscreen, on the virtual devices: the panel
// under the frame window, the clock, photos from the button to the file and
// the strip, the captured-file commands, the start-up repair and shut-down.
#include "dshow_edition/viewerdialog.h"

#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "dshow_edition/stillwriter.h"
#include <QScreen>
#include "dshow_edition/videoframewnd.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/formats.h"
#include "platform/dshow/videorenderer.h"
#include "platform/system/profile.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/folderbrowser.h"
#include "platform/ui/resources.h"
#include "platform/ui/terminationsignals.h"
#include "platform/ui/windowmessage.h"
#include "resources/velbin/velbinresources.h"
#include "tests/support/dialoganswers.h"
#include "tests/support/eventloop.h"
#include "tests/support/ffprobe.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/makeavi.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/scopedresourcemodule.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using orvane::test::HostPath;
using orvane::test::PumpFor;
using orvane::test::PumpUntil;
namespace fs = std::filesystem;

namespace {

const char kPhotoDir[] = "C:\\Lumitrex Images\\Photo\\";

class Viewer : public ::testing::Test {
 protected:
  Viewer() {
    GraphState() = CaptureGraphState{};
    Settings() = CaptureSettings{};
    Recording = SequentialPhoto = FALSE;
    dshow::testapi::SetDevices(
        {dshow::testapi::VirtualCamera(), dshow::testapi::VirtualMicrophone()}, false);
  }
  ~Viewer() override {
    if (dialog) Close();
    dshow::testapi::ResetDevices();
  }
  // The main window as InitInstance makes it, without its modal loop.
  void Open() {
    dialog = std::make_unique<ViewerDialog>();
    ASSERT_TRUE(dialog->Create());
    dialog->show();
  }
  void Close() {
    Button(1)->click();  // Ok
    dialog.reset();
  }
  QAbstractButton* Button(int id) {
    return qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(dialog.get(), id));
  }
  bool PreviewPaints() {
    auto renderer = std::dynamic_pointer_cast<dshow::VideoRenderer>(GraphState().videoWindow);
    return renderer && PumpUntil([&] { return renderer->widget()->paintedFrames() >= 2; }, 5000);
  }

  orvane::test::TempPrefix prefix;
  orvane::test::ScopedResourceModule resources{&orvane::resources::VelbinResources()};
  orvane::test::RecordingMessageBoxes boxes;
  std::unique_ptr<ViewerDialog> dialog;
};

}  // namespace

TEST_F(Viewer, ThePanelHangsUnderThePictureAndAPhotoGoesFromTheButtonToFileAndStrip) {
  // A recording a crash left behind moments ago is repaired at start-up, and
  // said once. One another running program still writes (it holds the
  // file's lock) is left alone, and so is a link's target elsewhere.
  const std::string folder = prefix.driveC() + "/Lumitrex Images/Video/";
  const std::string cut = folder + "videof03.avi";
  fs::create_directories(folder);
  ASSERT_TRUE(orvane::test::MakeAvi(cut, 160, 120, 30));
  fs::resize_file(cut, fs::file_size(cut) - 3000);
  const std::string busy = folder + "videof04.avi", elsewhere = prefix.path("elsewhere.avi");
  fs::copy_file(cut, busy);
  fs::copy_file(cut, elsewhere);
  fs::create_symlink(elsewhere, folder + "videof05.avi");
  const int writer = ::open(busy.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(writer, LOCK_EX), 0);
  const auto cutSize = fs::file_size(cut);
  Open();
  ::close(writer);
  EXPECT_EQ(fs::file_size(busy), cutSize);
  EXPECT_EQ(fs::file_size(elsewhere), cutSize);
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_NE(boxes.texts()[0].find("C:\\Lumitrex Images\\Video\\videof03.avi"), std::string::npos);
  EXPECT_EQ(boxes.texts()[0].find("videof05"), std::string::npos);
  EXPECT_TRUE(orvane::test::DecodesCleanly(cut));

  const QRect frame = g_VideoFrameWnd->frameGeometry();
  EXPECT_EQ(dialog->frameGeometry().topLeft(), QPoint(frame.left(), frame.bottom() + 1));
  EXPECT_EQ(dialog->width(), frame.width());
  EXPECT_EQ(dialog->windowTitle().toStdString(), "Orvane Viewer");
  // Esc in the frame window does not end it: it goes only with the panel.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(g_VideoFrameWnd, &escape);
  EXPECT_TRUE(g_VideoFrameWnd->isVisible());
  // The clock reads 00:00 in the digit bitmaps.
  ASSERT_TRUE(PreviewPaints());
  const QImage panel = dialog->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage zero = orvane::ui::LoadBitmapImage(140).convertToFormat(QImage::Format_RGB32);
  for (int x : {300, 309, 323, 332}) EXPECT_EQ(panel.copy(x, 22, 9, 17), zero) << x;
  // The skinned buttons say what they are.
  EXPECT_EQ(Button(1007)->accessibleName().toStdString(), "Photo");
  EXPECT_EQ(Button(1007)->accessibleDescription().toStdString(), "Take Photo (P)");

  boxes.clear();
  Button(1007)->click();
  const std::string photo = HostPath(std::string(kPhotoDir) + "photo000.bmp");
  const std::string bytes = orvane::test::ReadHostFile(photo);
  ASSERT_EQ(bytes.size(), 14u + 40 + 640 * 480 * 3);
  std::uint32_t offBits = 0;
  std::memcpy(&offBits, bytes.data() + 10, 4);
  EXPECT_EQ(offBits, 54u);
  const orvane::test::ProbeResult probe = orvane::test::Probe(photo);
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_EQ(probe.streams.at(0).width, 640);
  EXPECT_EQ(probe.streams.at(0).height, 480);
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 1);
  EXPECT_EQ(dialog->strip()->GetPathAt(0), std::string(kPhotoDir) + "photo000.bmp");
  EXPECT_TRUE(boxes.texts().empty());

  // A full disk: the user is told, and nothing half-written is listed.
  {
    orvane::test::FileSizeLimit full(1000);
    Button(1007)->click();
  }
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_NE(boxes.texts()[0].find("could not be saved"), std::string::npos);
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 1);
  EXPECT_FALSE(orvane::test::HostExists(HostPath(std::string(kPhotoDir) + "photo001.bmp")));

  // A folder name that cannot be one is said as such, not as a full disk.
  boxes.clear();
  Settings().SavePhoto = "C:\\Lumitrex Images\\a/b\\";
  Button(1007)->click();
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_NE(boxes.texts()[0].find("Its folder does not exist"), std::string::npos) << boxes.texts()[0];
  Settings().SavePhoto = kPhotoDir;

  // Gaps are filled first.
  orvane::test::WriteHostFile(HostPath(std::string(kPhotoDir) + "photo002.bmp"), "not listed");
  Button(1007)->click();
  Button(1007)->click();
  ASSERT_EQ(dialog->strip()->GetPictureCount(), 3);
  EXPECT_EQ(dialog->strip()->GetPathAt(1), std::string(kPhotoDir) + "photo001.bmp");
  EXPECT_EQ(dialog->strip()->GetPathAt(2), std::string(kPhotoDir) + "photo003.bmp");
  EXPECT_EQ(dialog->strip()->GetSelection(), 2);

  // See hands only files on a drive to the desktop's opener: a name a
  // relative folder made would open as a web address.
  orvane::test::ScopedEnv path("PATH", prefix.path("bin"));
  const std::string opened = prefix.path("opened.txt");
  orvane::test::WriteScript(prefix.path("bin/xdg-open"), "printf '%s' \"$1\" > '" + opened + "'\n");
  dialog->AddCapturedFile("https:\\\\example\\photo000.bmp", "");
  Button(1022)->click();
  EXPECT_FALSE(orvane::test::HostExists(opened));
  dialog->strip()->SetSelection(0);
  Button(1022)->click();
  EXPECT_EQ(orvane::test::ReadHostFile(opened), HostPath(std::string(kPhotoDir) + "photo000.bmp"));
}

TEST_F(Viewer, FileCommandsCopyWithoutReplacingAndDeleteOnlyWhatIsListed) {
  Open();
  ASSERT_TRUE(PreviewPaints());
  for (int i = 0; i < 3; ++i) Button(1007)->click();
  ASSERT_EQ(dialog->strip()->GetPictureCount(), 3);
  const std::string unlisted = HostPath(std::string(kPhotoDir) + "mine.bmp");
  orvane::test::WriteHostFile(unlisted, "the user's own");

  // Save as a copy: onto an existing name nothing is replaced, and it is said.
  boxes.clear();
  {
    orvane::test::SaveAsAnswer answer(std::string(kPhotoDir) + "mine.bmp");
    Button(1023)->click();
    ASSERT_EQ(answer.calls.size(), 1u);
    EXPECT_EQ(answer.calls[0].defaultExtension, "bmp");
    EXPECT_EQ(answer.calls[0].filter, "BMP file(*.bmp) |*.bmp|");
  }
  EXPECT_EQ(orvane::test::ReadHostFile(unlisted), "the user's own");
  EXPECT_EQ(boxes.texts().size(), 1u);
  {
    orvane::test::SaveAsAnswer answer(std::string(kPhotoDir) + "copy.bmp");
    Button(1023)->click();
  }
  const std::string copy = HostPath(std::string(kPhotoDir) + "copy.bmp");
  EXPECT_EQ(orvane::test::ReadHostFile(copy),
            orvane::test::ReadHostFile(HostPath(dialog->strip()->GetSelectedPath())));
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 3) << "the copy is not listed";

  // Delete the middle one, then all: listed files go, the others stay.
  dialog->strip()->SetSelection(1);
  Button(1024)->click();
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 2);
  EXPECT_FALSE(orvane::test::HostExists(HostPath(std::string(kPhotoDir) + "photo001.bmp")));
  Button(1007)->click();  // gets photo001.bmp again, with a thumbnail of its own
  EXPECT_EQ(dialog->strip()->GetPathAt(2), std::string(kPhotoDir) + "photo001.bmp");
  Button(1025)->click();
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 0);
  for (const char* name : {"photo000.bmp", "photo001.bmp", "photo002.bmp"})
    EXPECT_FALSE(orvane::test::HostExists(HostPath(std::string(kPhotoDir) + name))) << name;
  EXPECT_TRUE(orvane::test::HostExists(unlisted));
  EXPECT_TRUE(orvane::test::HostExists(copy));

  // The strip holds 255: the 256th file is kept on disk and the user told.
  boxes.clear();
  for (int i = 0; i < 256; ++i) dialog->AddCapturedFile(std::string(kPhotoDir) + "copy.bmp", "");
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 255);
  EXPECT_EQ(dialog->thumbnailCount(), 255);
  EXPECT_EQ(boxes.texts().size(), 1u);
  EXPECT_TRUE(orvane::test::HostExists(copy));
}

TEST_F(Viewer, ClosingSavesTheSettingsAndAFullDiskReachesTheUserThroughTheFrameWindow) {
  Open();
  ASSERT_TRUE(PreviewPaints());
  // A recording through the engine, its notification routed by the frame window.
  QWidget* frame = g_VideoFrameWnd->client();
  HaltPreview();
  DismantleGraph();
  {
    orvane::test::FileSizeLimit full(3 * 1024 * 1024);
    ASSERT_TRUE(AssembleCaptureGraph(frame));
    orvane::test::WhenModalShows<QDialog>([](QDialog* prompt) { prompt->accept(); });
    ASSERT_TRUE(BeginRecording(frame));
    EXPECT_TRUE(PumpUntil([] { return !GraphState().capturing; }, 5000));
  }
  PumpFor(200);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"ERROR during capture - disk possibly full"});
  EXPECT_TRUE(GraphState().previewing) << "the preview is back";

  // Alt+F4: the window manager's close. The settings reach the profile.
  Settings().TimeLimit = 42;
  dialog->close();
  EXPECT_FALSE(GraphState().previewing);
  EXPECT_EQ(GetProfileInt("vorix", "TimeLimit", 0), 42u);
  EXPECT_EQ(GetProfileInt("vorix", "FrameRate", 0), 667111u);
  dialog.reset();
}

TEST(StillWriter, BmpHeadersFollowTheImageAndAFailedRequestWritesNothing) {
  orvane::test::TempPrefix prefix;
  auto dibOf = [](WORD bits, DWORD clrUsed, long extra) {
    std::vector<BYTE> dib(40 + 1024 + 64 * 4 * 8 + static_cast<std::size_t>(extra), 0);
    const DWORD size = 40;
    const LONG w = 64, h = 8;
    std::memcpy(&dib[0], &size, 4);
    std::memcpy(&dib[4], &w, 4);
    std::memcpy(&dib[8], &h, 4);
    dib[12] = 1;
    std::memcpy(&dib[14], &bits, 2);
    const DWORD bitfields = 3;
    if (bits == 16) std::memcpy(&dib[16], &bitfields, 4);
    std::memcpy(&dib[32], &clrUsed, 4);
    return dib;
  };
  const struct {
    WORD bits;
    DWORD clrUsed;
    DWORD offBits, fileSize, compression;
  } cases[] = {
      {8, 0, 14 + 40 + 1024, 14 + 40 + 1024 + 64 * 8, 0},
      {8, 16, 14 + 40 + 64, 14 + 40 + 64 + 64 * 8, 0},
      {16, 0, 54, 54 + 128 * 8, 0},  // BI_BITFIELDS written as BI_RGB, no masks
      {24, 0, 54, 54 + 192 * 8, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bits);
    std::vector<BYTE> dib = dibOf(c.bits, c.clrUsed, 0);
    ASSERT_TRUE(WriteBmpFile(dib, "C:\\still.bmp"));
    const std::string file = orvane::test::ReadHostFile(prefix.driveC() + "/still.bmp");
    DWORD offBits = 0, compression = 1;
    std::memcpy(&offBits, file.data() + 10, 4);
    std::memcpy(&compression, file.data() + 14 + 16, 4);
    EXPECT_EQ(offBits, c.offBits);
    EXPECT_EQ(file.size(), c.fileSize);
    EXPECT_EQ(compression, c.compression);
  }
  // A header that claims more than the buffer holds is refused, not read past.
  std::vector<BYTE> shortDib = dibOf(24, 0, 0);
  shortDib.resize(100);
  EXPECT_FALSE(WriteBmpFile(shortDib, "C:\\short.bmp"));
  EXPECT_FALSE(orvane::test::HostExists(prefix.driveC() + "/short.bmp"));

  // No frame on show (the preview never ran): a thumbnail or a sequential
  // photo writes nothing, where a 14-byte header alone would be no picture.
  Settings() = CaptureSettings{};
  SetConstructionDefaults();
  dshow::testapi::SetDevices({dshow::testapi::VirtualCamera()}, false);
  orvane::test::ScopedResourceModule resources{&orvane::resources::VelbinResources()};
  orvane::test::RecordingMessageBoxes boxes;
  QWidget owner;
  ASSERT_TRUE(SetUpCaptureFilters(&owner));
  ASSERT_TRUE(AssemblePreviewGraph(&owner));
  EXPECT_FALSE(SaveStill(StillKind::kThumbnail, "C:\\tmp.bmp", &owner));
  EXPECT_FALSE(SaveStill(StillKind::kSequential, "C:\\secur000.bmp", &owner));
  EXPECT_FALSE(orvane::test::HostExists(prefix.driveC() + "/tmp.bmp"));
  EXPECT_FALSE(orvane::test::HostExists(prefix.driveC() + "/secur000.bmp"));
  EXPECT_TRUE(boxes.texts().empty());
  // A graph that was not running is not run by the grab.
  dshow::Ref<dshow::IMediaControl> control;
  ASSERT_EQ(dshow::QueryInterface(GraphState().graph, &control), S_OK);
  FilterState state = FilterState::Running;
  control->GetState(0, &state);
  EXPECT_EQ(state, FilterState::Stopped);
  DismantleGraph();
  ReleaseCaptureFilters();
  dshow::testapi::ResetDevices();
}

namespace {

constexpr char kVideoDir[] = "C:\\Lumitrex Images\\Video\\";
constexpr char kSecurityDir[] = "C:\\Lumitrex Images\\Security\\";

void AnswerTheStartPrompt() {
  orvane::test::WhenModalShows<QDialog>([](QDialog* prompt) { prompt->accept(); });
}

}  // namespace

TEST_F(Viewer, ATimeLimitEndsTheClipByItselfAndTheStripShowsItWithItsThumbnail) {
  Open();
  ASSERT_TRUE(PreviewPaints());
  Settings().UseTimeLimit = 1;
  Settings().TimeLimit = 3;
  AnswerTheStartPrompt();
  Button(1005)->click();
  EXPECT_TRUE(Recording);
  EXPECT_FALSE(Button(1005)->isEnabled());
  ASSERT_TRUE(PumpUntil([] { return !Recording; }, 8000));
  EXPECT_TRUE(Button(1005)->isEnabled());
  EXPECT_TRUE(GraphState().previewing);
  const std::string file = HostPath(std::string(kVideoDir) + "videof00.avi");
  const orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_EQ(probe.streams.at(0).frameRate, "15/1");
  // The limit is looked at on the clock's ticks, in whole seconds since the
  // graph began: the clip runs 3 to 4 s, at 14.99 fps.
  EXPECT_GE(probe.streams.at(0).frames, 3 * 15 - 5);
  EXPECT_LE(probe.streams.at(0).frames, 4 * 15 + 5);
  ASSERT_EQ(dialog->strip()->GetPictureCount(), 1);
  EXPECT_EQ(dialog->strip()->GetPathAt(0), std::string(kVideoDir) + "videof00.avi");
  EXPECT_FALSE(orvane::test::HostExists(HostPath(std::string(kVideoDir) + "tmp.bmp")))
      << "the thumbnail file goes once it is loaded";
}

// The clock as the screen shows it after each tick, not as a fresh paint
// would draw it: every digit that changes must be redrawn on its tick.
TEST_F(Viewer, TheClockRedrawsEveryDigitThatChangesOnItsTick) {
  Open();
  PumpFor(100);
  auto onScreen = [&](int digit) {
    QCoreApplication::processEvents();
    const QImage shown =
        dialog->screen()->grabWindow(dialog->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    static const int x[] = {300, 309, 323, 332};
    return shown.copy(x[digit], 22, 9, 17);
  };
  auto bitmap = [](int value) {
    return orvane::ui::LoadBitmapImage(140 + value).convertToFormat(QImage::Format_RGB32);
  };
  Recording = TRUE;  // the clock ticks only while recording
  int seconds = 0;
  for (int target : {1, 9, 10, 11, 59, 60, 61, 600}) {
    while (seconds < target) {
      SendMessage(dialog.get(), WM_TIMER, 0, 0);
      ++seconds;
      if (seconds + 1 == target) QCoreApplication::processEvents();  // the tick before it painted
    }
    const int digits[] = {seconds / 600 % 10, seconds / 60 % 10, seconds % 60 / 10, seconds % 10};
    for (int d = 0; d < 4; ++d) EXPECT_EQ(onScreen(d), bitmap(digits[d])) << seconds << " s, digit " << d;
  }
  Recording = FALSE;
}

TEST_F(Viewer, SequentialPhotosAndTheCommandsEachStateRefuses) {
  Open();
  ASSERT_TRUE(PreviewPaints());
  auto tip = [&](int id) {
    QHelpEvent ask(QEvent::ToolTip, QPoint(2, 2), Button(id)->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(Button(id), &ask);
    return Button(id)->accessibleDescription().toStdString();
  };
  EXPECT_EQ(tip(1028), "Sequential Photo. Press record stop button to stop.");
  // An interval of 0 from the profile would fire without pause: 1 s instead.
  Settings().SecurityTime = 0;
  Button(1028)->click();
  EXPECT_TRUE(SequentialPhoto);
  EXPECT_FALSE(Button(1028)->isEnabled());
  EXPECT_EQ(tip(1028), "On Sequential Photo. Press record stop button to stop.");
  // Sequential: Start, Photo and Mail say message 14 and do nothing else.
  boxes.clear();
  for (int id : {1005, 1007, 1029}) Button(id)->click();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>(3, "On Sequential photo ..."));
  EXPECT_FALSE(Recording);
  PumpFor(2500);
  Button(1006)->click();  // Stop
  EXPECT_FALSE(SequentialPhoto);
  EXPECT_TRUE(Button(1028)->isEnabled());
  int made = 0;
  for (const char* name : {"secur000.bmp", "secur001.bmp", "secur002.bmp", "secur003.bmp"})
    made += orvane::test::HostExists(HostPath(std::string(kSecurityDir) + name));
  EXPECT_GE(made, 2);
  EXPECT_LE(made, 3) << "one a second, the first one interval after Security";
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 0) << "sequential photos are not listed";
  PumpFor(1200);
  EXPECT_FALSE(orvane::test::HostExists(HostPath(std::string(kSecurityDir) + "secur003.bmp")));

  // The numbers run from 000 to 998 and start again, over the old photo.
  const std::string first = HostPath(std::string(kSecurityDir) + "secur000.bmp");
  orvane::test::WriteHostFile(first, "an old photo");
  SecurityCounter = 998;
  SendMessage(dialog.get(), WM_TIMER, 1, 0);
  SendMessage(dialog.get(), WM_TIMER, 1, 0);
  EXPECT_TRUE(orvane::test::HostExists(HostPath(std::string(kSecurityDir) + "secur998.bmp")));
  EXPECT_FALSE(orvane::test::HostExists(HostPath(std::string(kSecurityDir) + "secur999.bmp")));
  EXPECT_EQ(orvane::test::ReadHostFile(first).substr(0, 2), "BM") << "written over";
  EXPECT_EQ(SecurityCounter, 1);
  // A link planted in a photo's place is replaced, not written through; a
  // FIFO is replaced, not waited on.
  const std::string target = prefix.path("elsewhere.bmp");
  orvane::test::WriteHostFile(target, "not a photo");
  for (const char* name : {"secur001.bmp", "secur002.bmp", "secur003.bmp"})
    fs::remove(HostPath(std::string(kSecurityDir) + name));
  fs::create_symlink(target, HostPath(std::string(kSecurityDir) + "secur001.bmp"));
  ASSERT_EQ(::mkfifo(HostPath(std::string(kSecurityDir) + "secur002.bmp").c_str(), 0644), 0);
  for (int tick = 0; tick < 3; ++tick) SendMessage(dialog.get(), WM_TIMER, 1, 0);
  EXPECT_EQ(orvane::test::ReadHostFile(target), "not a photo");
  for (const char* name : {"secur001.bmp", "secur002.bmp", "secur003.bmp"}) {
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(HostPath(std::string(kSecurityDir) + name))));
    EXPECT_EQ(orvane::test::ReadHostFile(HostPath(std::string(kSecurityDir) + name)).substr(0, 2), "BM");
  }

  // Recording: Photo, Security, Mail and Start are ignored, silently.
  boxes.clear();
  AnswerTheStartPrompt();
  Button(1005)->click();
  ASSERT_TRUE(Recording);
  for (int id : {1007, 1028, 1029, 1005}) Button(id)->click();
  EXPECT_FALSE(SequentialPhoto);
  EXPECT_TRUE(boxes.texts().empty());
  EXPECT_FALSE(orvane::test::HostExists(HostPath(std::string(kPhotoDir) + "photo000.bmp")));
  Button(1006)->click();
  EXPECT_FALSE(Recording);
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 1);
}

TEST_F(Viewer, TheClockCountsToOneMinuteOneAndRollsOverAfter5959) {
  Open();
  auto digitsAre = [&](std::array<int, 4> digits) {
    const QImage panel = dialog->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const int x[] = {300, 309, 323, 332};
    for (int i = 0; i < 4; ++i) {
      const QImage want =
          orvane::ui::LoadBitmapImage(140 + digits[i]).convertToFormat(QImage::Format_RGB32);
      if (panel.copy(x[i], 22, 9, 17) != want) return false;
    }
    return true;
  };
  Recording = TRUE;  // the clock runs while recording
  for (int tick = 0; tick < 61; ++tick) SendMessage(dialog.get(), WM_TIMER, 0, 0);
  EXPECT_TRUE(digitsAre({0, 1, 0, 1}));
  for (int tick = 61; tick < 3599; ++tick) SendMessage(dialog.get(), WM_TIMER, 0, 0);
  EXPECT_TRUE(digitsAre({5, 9, 5, 9}));
  SendMessage(dialog.get(), WM_TIMER, 0, 0);
  EXPECT_TRUE(digitsAre({0, 0, 0, 0}));
  Recording = FALSE;
}

TEST_F(Viewer, ChatHandsTheCameraToTheProgramAndTakesItBack) {
  orvane::test::WriteHostFile(
      prefix.path("registry.reg"),
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Conferencing]\r\n"
      "\"InstallationDirectory\"=\"C:\\\\Program Files\\\\NetMeeting\"\r\n");
  const std::string ran = prefix.path("chat-ran");
  orvane::test::WriteScript(prefix.driveC() + "/Program Files/NetMeeting/conf.exe",
                            "printf '%s' \"$#\" > '" + ran + "'; sleep 0.3");
  Open();
  ASSERT_TRUE(PreviewPaints());
  // A right-click on the panel's background opens the Chat pop-up; the user
  // picks NetMeeting.
  orvane::test::ChooseFromPopup(0);
  QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(4, 4),
                          dialog->mapToGlobal(QPoint(4, 4)));
  QApplication::sendEvent(dialog.get(), &click);
  EXPECT_EQ(orvane::test::ReadHostFile(ran), "0") << "started, without arguments, and waited for";
  EXPECT_FALSE(dialog->isMinimized());
  EXPECT_TRUE(GraphState().previewing) << "the preview is back";
  EXPECT_TRUE(boxes.texts().empty());
}

namespace {

QLineEdit* Edit(QWidget* dialog, int id) {
  return qobject_cast<QLineEdit*>(orvane::ui::GetDlgItem(dialog, id));
}

void Click(QWidget* dialog, int id) {
  qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(dialog, id))->click();
}

}  // namespace

TEST_F(Viewer, TheSettingsDialogRefusesBadNumbersAndItsOkReachesTheNextRecording) {
  Open();
  ASSERT_TRUE(PreviewPaints());
  fs::create_directories(prefix.driveC() + "/Clips");
  // The photo folder is a drive's root: it keeps its one backslash.
  orvane::test::FolderAnswers folders({"C:\\", "C:\\Clips"});
  bool stillOpen = true;
  orvane::test::WhenWindowShows("settings", [&](QWidget* settings) {
    // Format ...: the camera's pages, 320 x 240 chosen; then the folders.
    orvane::test::WhenWindowShows("propertyFrame", [](QWidget* frame) {
      auto* size = frame->findChild<QComboBox*>("size");
      size->setCurrentIndex(size->findText("320 x 240 YUY2"));
      frame->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    Click(settings, 1034);
    Click(settings, 1018);  // photo folder
    Click(settings, 1017);  // video folder
    const struct {
      int id;
      const char* text;
    } bad[] = {{1012, "2"}, {1012, "x"}, {1013, "5"}, {1027, "1000"}};
    const char* good[] = {"10", "10", "10", "2"};  // rate, rate, limit, interval
    for (std::size_t i = 0; i < std::size(bad); ++i) {
      Edit(settings, bad[i].id)->setText(bad[i].text);
      Click(settings, 1);  // OK is refused
      stillOpen = stillOpen && settings->isVisible();
      Edit(settings, bad[i].id)->setText(good[i]);
    }
    Click(settings, 1);
  });
  Button(1008)->click();
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(boxes.texts(),
            (std::vector<std::string>{"Please enter an integer between 3 and 30.",
                                      "Please enter an integer.",
                                      "Please enter an integer between 10 and 999.",
                                      "Please enter an integer between 1 and 999."}));
  EXPECT_EQ(Settings().FrameRate, 10.0);
  EXPECT_EQ(Settings().SecurityTime, 2);
  EXPECT_EQ(folders.titles, std::vector<std::string>(2, "Select Save directory"));
  EXPECT_EQ(Settings().SavePhoto, "C:\\");
  EXPECT_EQ(Settings().SaveVideo, "C:\\Clips\\");
  EXPECT_EQ(g_VideoFrameWnd->client()->size(), QSize(320 + 40, 240 + 36 + 1))
      << "the frame window fits the new size";
  EXPECT_TRUE(GraphState().previewing);

  // Cancel keeps everything as it was. With the panel low on the screen the
  // dialog's place (level with the panel) would hang below it: it is moved
  // in.
  const QRect screen = dialog->screen()->availableGeometry();
  dialog->move(dialog->x(), screen.bottom() - dialog->height());
  QRect placed;
  orvane::test::WhenWindowShows("settings", [&](QWidget* settings) {
    placed = settings->frameGeometry();
    Edit(settings, 1012)->setText("25");
    Click(settings, 2);
  });
  Button(1008)->click();
  EXPECT_EQ(Settings().FrameRate, 10.0);
  EXPECT_TRUE(screen.contains(placed)) << placed.y() << "+" << placed.height();

  // The next recording follows the new size and rate.
  AnswerTheStartPrompt();
  Button(1005)->click();
  PumpFor(1500);
  Button(1006)->click();
  const orvane::test::ProbeResult probe = orvane::test::Probe(HostPath("C:\\Clips\\videof00.avi"));
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_EQ(probe.streams.at(0).width, 320);
  EXPECT_EQ(probe.streams.at(0).height, 240);
  EXPECT_EQ(probe.streams.at(0).frameRate, "10/1");

  // Source...: a brightness set there is, like the size, this camera's in
  // later runs; another camera keeps its own, and a remembered size a
  // camera no longer offers is let go.
  orvane::test::WhenWindowShows("settings", [&](QWidget* settings) {
    orvane::test::WhenWindowShows("propertyFrame", [](QWidget* frame) {
      frame->findChild<QSlider*>("BRIGHTNESS")->setValue(300);
      frame->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    Click(settings, 1033);
    Click(settings, 2);
  });
  Button(1008)->click();
  auto brightness = [] {
    dshow::Ref<dshow::IAMVideoProcAmp> amp;
    long value = -1, flags = 0;
    if (SUCCEEDED(dshow::QueryInterface(GraphState().videoCapture, &amp)))
      amp->Get(dshow::VideoProcAmp_Brightness, &value, &flags);
    return value;
  };
  EXPECT_EQ(brightness(), 300);
  auto openedSize = [this] {
    Close();
    GraphState() = CaptureGraphState{};
    Open();
    AM_MEDIA_TYPE* type = nullptr;
    QSize size;
    if (GraphState().videoStreamConfig && SUCCEEDED(GraphState().videoStreamConfig->GetFormat(&type))) {
      if (auto format = dshow::VideoFormatOf(*type)) size = QSize(format->width, std::abs(format->height));
      DeleteMediaType(type);
    }
    return size;
  };
  EXPECT_EQ(openedSize(), QSize(320, 240));
  EXPECT_EQ(brightness(), 300);
  dshow::testapi::SetDevices({dshow::testapi::VirtualCamera("Lumitrex Second Camera")}, false);
  EXPECT_EQ(openedSize(), QSize(640, 480));
  EXPECT_EQ(brightness(), 0);
  WriteProfileString("camera virtual:Lumitrex Virtual Camera", "Width", "333");
  dshow::testapi::SetDevices({dshow::testapi::VirtualCamera()}, false);
  EXPECT_EQ(openedSize(), QSize(640, 480));
  EXPECT_EQ(brightness(), 300);
  EXPECT_EQ(boxes.texts().size(), 4u) << "no message for a size let go";
}

TEST_F(Viewer, TheDeviceButtonsOfTheSettingsDialogRefuseWhatCannotBeDone) {
  Open();
  ASSERT_TRUE(PreviewPaints());
  // A huge interval from the profile runs no timer that overflows its
  // milliseconds: no photo comes at once.
  Settings().SecurityTime = 0x7FFFFFFF;
  Button(1028)->click();
  PumpFor(300);
  EXPECT_FALSE(orvane::test::HostExists(HostPath(std::string(kSecurityDir) + "secur000.bmp")));
  // Sequential photos refuse Set outright, and Audio... inside the dialog.
  boxes.clear();
  Button(1008)->click();
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{"On Sequential photo ..."});
  Button(1006)->click();
  boxes.clear();
  Settings().AudioAvailable = 0;
  orvane::test::WhenWindowShows("settings", [](QWidget* settings) {
    Click(settings, 1032);  // Audio... without an audio device
    SequentialPhoto = TRUE;
    Click(settings, 1033);  // Source... while sequential photos run
    SequentialPhoto = FALSE;
    Click(settings, 2);
  });
  Button(1008)->click();
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{
                               "No Audio device found !",
                               "On Sequential Photo. Press the Record Stop Button to Stop."}));
}

// The system ends the program (a logout, a kill, Ctrl+C): it ends as its own
// close does, whatever is open on top of it, and loses nothing.
TEST_F(Viewer, ACancelledStartAndTheSystemEndingTheProgramLoseNothing) {
  Open();
  ASSERT_TRUE(PreviewPaints());
  orvane::ui::CloseOnTermination(dialog.get());
  const std::string file = HostPath(std::string(kVideoDir) + "videof00.avi");
  // Cancelled at the prompt: no clock, nothing listed, no empty file.
  orvane::test::WhenModalShows<QDialog>([](QDialog* prompt) { prompt->reject(); });
  Button(1005)->click();
  EXPECT_FALSE(Recording);
  EXPECT_TRUE(Button(1005)->isEnabled());
  EXPECT_TRUE(GraphState().previewing);
  PumpFor(1100);
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 0);
  EXPECT_FALSE(orvane::test::HostExists(file));

  // SIGTERM while the prompt waits: the prompt goes as Cancel, then the
  // program, its settings saved.
  orvane::test::WhenModalShows<QDialog>([](QDialog*) { ::raise(SIGTERM); });
  Button(1005)->click();
  ASSERT_TRUE(PumpUntil([&] { return !dialog->isVisible(); }, 2000));
  EXPECT_FALSE(orvane::test::HostExists(file));
  EXPECT_NE(orvane::test::ReadHostFile(prefix.path("win.ini")).find("SaveVideo="), std::string::npos);
  dialog.reset();

  // The panel going while the prompt waits takes the prompt with it, and
  // nothing is left behind.
  Open();
  ASSERT_TRUE(PreviewPaints());
  orvane::test::WhenModalShows<QDialog>([&](QDialog*) { dialog.reset(); });
  QPointer<QAbstractButton> start = Button(1005);
  start->click();
  EXPECT_FALSE(start);
  EXPECT_FALSE(orvane::test::HostExists(file));

  // SIGTERM while recording: the file is finished and plays.
  Open();
  ASSERT_TRUE(PreviewPaints());
  orvane::ui::CloseOnTermination(dialog.get());
  AnswerTheStartPrompt();
  Button(1005)->click();
  ASSERT_TRUE(Recording);
  PumpFor(1500);
  ::raise(SIGTERM);
  ASSERT_TRUE(PumpUntil([&] { return !dialog->isVisible(); }, 2000));
  dialog.reset();
  const orvane::test::ProbeResult probe = orvane::test::Probe(file);
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_GE(probe.streams.at(0).frames, 15);
  EXPECT_EQ(probe.streams.at(0).frames, probe.streams.at(0).headerFrames);
}

// A user without a mouse: the focus starts away from the button that ends
// the program, and keys take a photo, record and stop.
TEST_F(Viewer, AKeyboardAloneTakesAPhotoRecordsAndStops) {
  Open();
  ASSERT_TRUE(PreviewPaints());
  EXPECT_EQ(QApplication::focusWidget(), Button(1007)) << "on Photo, not on the power button";
  QTest::keyClick(dialog.get(), Qt::Key_P);
  EXPECT_EQ(dialog->strip()->GetPictureCount(), 1);
  // The prompt takes Enter; the keys work from the picture's window too.
  orvane::test::WhenModalShows<QDialog>([](QDialog* prompt) { QTest::keyClick(prompt, Qt::Key_Return); });
  QTest::keyClick(g_VideoFrameWnd, Qt::Key_R);
  ASSERT_TRUE(Recording);
  PumpFor(1200);
  // The offscreen platform gives the focus back to no window once the prompt
  // goes; a window manager gives it to the picture's window.
  g_VideoFrameWnd->activateWindow();
  PumpFor(50);
  QTest::keyClick(g_VideoFrameWnd, Qt::Key_S);
  EXPECT_FALSE(Recording);
  ASSERT_EQ(dialog->strip()->GetPictureCount(), 2);
  const orvane::test::ProbeResult probe =
      orvane::test::Probe(HostPath(std::string(kVideoDir) + "videof00.avi"));
  ASSERT_TRUE(probe.ok) << probe.errors;
  EXPECT_GT(probe.streams.at(0).frames, 5);
  // Tab shows where the focus is on the skinned buttons.
  dialog->activateWindow();
  PumpFor(50);
  const QImage before = Button(1007)->grab().toImage();
  QTest::keyClick(dialog.get(), Qt::Key_Tab);
  QTest::keyClick(dialog.get(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), Button(1007));
  EXPECT_NE(Button(1007)->grab().toImage(), before) << "a focus frame is drawn";
}
