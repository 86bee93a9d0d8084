#include "platform/vfw/capturewindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QImage>
#include <QMouseEvent>

#include "platform/dshow/faults.h"
#include "tests/support/capturewindowdialogs.h"
#include "tests/support/eventloop.h"
#include "tests/support/ffprobe.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testprefix.h"

using orvane::test::PumpFor;
using orvane::test::PumpUntil;

namespace {

// A capture window under a parent, connected to a driver.
struct Window {
  QWidget parent;
  HWND window = nullptr;
  bool connected = false;

  explicit Window(WPARAM driver = 0) {
    parent.resize(400, 300);
    window = capCreateCaptureWindowA("Video Capture Window", kCapWsChild | kCapWsVisible, 0, 0, 160,
                                     120, &parent, 1);
    connected = SendMessage(window, WM_CAP_DRIVER_CONNECT, driver, 0) != 0;
  }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessage(window, message, wParam, lParam);
  }
  template <class Record>
  LRESULT SendRecord(UINT message, Record& record, WPARAM size = sizeof(Record)) {
    return SendMessage(window, message, size, reinterpret_cast<LPARAM>(&record));
  }
  CAPSTATUS Status() {
    CAPSTATUS status{};
    SendRecord(WM_CAP_GET_STATUS, status);
    return status;
  }
  LRESULT SetFile(const char* path) {
    return Send(WM_CAP_FILE_SET_CAPTURE_FILEA, 0, reinterpret_cast<LPARAM>(path));
  }
  // A background sequence with these settings; no abort by key or mouse.
  CAPTUREPARMS Setup(DWORD microSecPerFrame, UINT limit, bool audio) {
    CAPTUREPARMS p{};
    SendRecord(WM_CAP_GET_SEQUENCE_SETUP, p);
    p.dwRequestMicroSecPerFrame = microSecPerFrame;
    p.fYield = TRUE;
    p.fLimitEnabled = limit > 0;
    p.wTimeLimit = limit;
    p.fCaptureAudio = audio;
    p.vKeyAbort = 0;
    p.fAbortLeftMouse = p.fAbortRightMouse = FALSE;
    EXPECT_TRUE(SendRecord(WM_CAP_SET_SEQUENCE_SETUP, p));
    return p;
  }
  bool WaitIdle(int ms) {
    return PumpUntil([this] { return !Status().fCapturingNow; }, ms);
  }
};

void Press(QWidget* target, Qt::MouseButton button) {
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), target->mapToGlobal(QPointF(5, 5)),
                    button, button, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
}

}  // namespace

TEST(CaptureWindowSequence, EndsAtItsLimitOnStopOrAPressAndEveryFilePlays) {
  orvane::test::TempPrefix prefix;
  Window w;
  ASSERT_TRUE(w.connected);
  ASSERT_TRUE(w.Send(WM_CAP_SET_PREVIEW, 1));

  // A time limit of 2 s at 15 fps, in the background.
  w.Setup(66667, 2, false);
  ASSERT_TRUE(w.SetFile("C:\\limit.avi"));
  QElapsedTimer took;
  took.start();
  ASSERT_TRUE(w.Send(WM_CAP_SEQUENCE));
  EXPECT_LT(took.elapsed(), 1000);
  EXPECT_TRUE(w.Status().fCapturingNow);
  EXPECT_FALSE(w.Send(WM_CAP_SEQUENCE)) << "one sequence at a time";
  // A busy program gets round to the limit's timer late.
  QThread::msleep(2800);
  ASSERT_TRUE(w.WaitIdle(6000));
  auto limited = orvane::test::Probe(prefix.driveC() + "/limit.avi");
  ASSERT_TRUE(limited.ok) << limited.errors;
  ASSERT_EQ(limited.streams.size(), 1u);
  EXPECT_EQ(limited.streams[0].frameRate, "15/1");
  EXPECT_NEAR(limited.streams[0].frames, 30, 1) << "the limit, however late the timer came";
  EXPECT_EQ(limited.streams[0].frames, static_cast<long>(w.Status().dwCurrentVideoFrame));
  EXPECT_TRUE(orvane::test::DecodesCleanly(prefix.driveC() + "/limit.avi"));

  // Stop in the middle, at 30 fps with sound.
  w.Setup(33333, 0, true);
  ASSERT_TRUE(w.SetFile("C:\\stopped.avi"));
  ASSERT_TRUE(w.Send(WM_CAP_SEQUENCE));
  PumpFor(1000);
  EXPECT_TRUE(w.Send(WM_CAP_STOP));
  EXPECT_FALSE(w.Status().fCapturingNow);
  EXPECT_FALSE(w.Send(WM_CAP_STOP)) << "nothing left to stop";
  auto stopped = orvane::test::Probe(prefix.driveC() + "/stopped.avi");
  ASSERT_TRUE(stopped.ok) << stopped.errors;
  ASSERT_EQ(stopped.streams.size(), 2u);
  EXPECT_EQ(stopped.streams[1].codecType, "audio");
  EXPECT_NEAR(stopped.streams[0].frames, 30, 6);
  EXPECT_TRUE(orvane::test::DecodesCleanly(prefix.driveC() + "/stopped.avi"));

  // A right press anywhere in the program ends a sequence that asks for it;
  // a left press does not.
  CAPTUREPARMS p = w.Setup(66667, 0, false);
  p.fAbortRightMouse = TRUE;
  ASSERT_TRUE(w.SendRecord(WM_CAP_SET_SEQUENCE_SETUP, p));
  ASSERT_TRUE(w.SetFile("C:\\pressed.avi"));
  ASSERT_TRUE(w.Send(WM_CAP_SEQUENCE));
  PumpFor(400);
  Press(&w.parent, Qt::LeftButton);
  EXPECT_TRUE(w.Status().fCapturingNow);
  Press(&w.parent, Qt::RightButton);
  EXPECT_FALSE(w.Status().fCapturingNow);
  EXPECT_TRUE(orvane::test::Probe(prefix.driveC() + "/pressed.avi").ok);

  // A capture file the window refuses (too long a path) does not leave the
  // last one in place for the next sequence to write over.
  const std::string tooLong = "C:\\" + std::string(300, 'x') + ".avi";
  EXPECT_FALSE(w.SetFile(tooLong.c_str()));
  char file[300] = {};
  ASSERT_TRUE(w.Send(WM_CAP_FILE_GET_CAPTURE_FILEA, sizeof file, reinterpret_cast<LPARAM>(file)));
  EXPECT_EQ(file, vfw::CaptureWindow::DefaultCaptureFile());

  // Without yielding, the message returns once the limit has ended it; with
  // no file set, it goes to the default capture file.
  w.Send(WM_CAP_DRIVER_CONNECT, 0);  // a new connection forgets no setup
  p = w.Setup(66667, 1, false);
  p.fYield = FALSE;
  ASSERT_TRUE(w.SendRecord(WM_CAP_SET_SEQUENCE_SETUP, p));
  Window fresh;
  ASSERT_TRUE(fresh.SendRecord(WM_CAP_SET_SEQUENCE_SETUP, p));
  took.restart();
  EXPECT_TRUE(fresh.Send(WM_CAP_SEQUENCE));
  EXPECT_GE(took.elapsed(), 900);
  EXPECT_FALSE(fresh.Status().fCapturingNow);
  EXPECT_TRUE(orvane::test::Probe(prefix.path("cache/CAPTURE.AVI")).ok);
}

TEST(CaptureWindowSequence, AFullDiskEndsTheSequenceWithAFileThatPlays) {
  orvane::test::TempPrefix prefix;
  Window w;
  ASSERT_TRUE(w.connected);
  w.Setup(66667, 0, false);
  ASSERT_TRUE(w.SetFile("C:\\full.avi"));
  {
    orvane::test::FileSizeLimit limit(2 << 20);  // about 13 frames at 320x240
    ASSERT_TRUE(w.Send(WM_CAP_SEQUENCE));
    EXPECT_TRUE(w.WaitIdle(8000)) << "the failed write ends the sequence";
  }
  const CAPSTATUS status = w.Status();
  EXPECT_NE(status.dwReturn, 0u);
  auto full = orvane::test::Probe(prefix.driveC() + "/full.avi");
  ASSERT_TRUE(full.ok) << full.errors;
  EXPECT_GE(full.streams.at(0).frames, 5);
  EXPECT_EQ(full.streams[0].frames, full.streams[0].headerFrames);
  EXPECT_TRUE(orvane::test::DecodesCleanly(prefix.driveC() + "/full.avi"));
}

TEST(CaptureWindow, RecordsStillsAndDialogsKeepThePublishedShapes) {
  orvane::test::TempPrefix prefix;
  Window w;
  ASSERT_TRUE(w.connected);
  EXPECT_EQ(w.window->parentWidget(), &w.parent);
  EXPECT_EQ(w.window->windowTitle(), "Video Capture Window");
  EXPECT_EQ(w.window->size(), QSize(160, 120));

  // A record's wParam must be its size.
  CAPSTATUS status{};
  CAPDRIVERCAPS caps{};
  CAPTUREPARMS params{};
  EXPECT_FALSE(w.SendRecord(WM_CAP_GET_STATUS, status, sizeof status - 1));
  EXPECT_FALSE(w.SendRecord(WM_CAP_DRIVER_GET_CAPS, caps, sizeof caps + 4));
  EXPECT_FALSE(w.SendRecord(WM_CAP_SET_SEQUENCE_SETUP, params, 0));
  EXPECT_FALSE(w.Send(WM_CAP_GET_STATUS, sizeof status, 0));
  ASSERT_TRUE(w.SendRecord(WM_CAP_DRIVER_GET_CAPS, caps));
  EXPECT_EQ(caps.wDeviceIndex, 0u);
  EXPECT_FALSE(caps.fHasOverlay);
  EXPECT_TRUE(caps.fHasDlgVideoSource && caps.fHasDlgVideoFormat && caps.fCaptureInitialized);
  EXPECT_FALSE(w.Send(WM_CAP_SET_OVERLAY, 1)) << "no overlay hardware";
  ASSERT_TRUE(w.SendRecord(WM_CAP_GET_SEQUENCE_SETUP, params));
  params.dwRequestMicroSecPerFrame = 0;
  EXPECT_FALSE(w.SendRecord(WM_CAP_SET_SEQUENCE_SETUP, params)) << "no frame takes no time";

  // Stills: the image in the status's size, 320x240 at first.
  status = w.Status();
  EXPECT_EQ(status.uiImageWidth, 320u);
  EXPECT_EQ(status.uiImageHeight, 240u);
  ASSERT_TRUE(w.Send(WM_CAP_SET_PREVIEW, 1));
  ASSERT_TRUE(w.Send(WM_CAP_FILE_SAVEDIBA, 0, reinterpret_cast<LPARAM>("C:\\still.bmp")));
  QImage still(QString::fromStdString(prefix.driveC() + "/still.bmp"), "BMP");
  EXPECT_EQ(still.size(), QSize(320, 240));
  EXPECT_FALSE(w.Send(WM_CAP_FILE_SAVEDIBA, 0, reinterpret_cast<LPARAM>("C:\\no\\such\\a.bmp")));

  // The format dialog changes the image size; the compression dialog what a
  // sequence writes.
  orvane::test::AnswerFormatDialog("352 x 288 YUY2");
  EXPECT_TRUE(w.Send(WM_CAP_DLG_VIDEOFORMAT));
  status = w.Status();
  EXPECT_EQ(status.uiImageWidth, 352u);
  EXPECT_TRUE(status.fLiveWindow) << "the preview runs again";
  ASSERT_TRUE(w.Send(WM_CAP_FILE_SAVEDIBA, 0, reinterpret_cast<LPARAM>("C:\\wide.bmp")));
  EXPECT_EQ(QImage(QString::fromStdString(prefix.driveC() + "/wide.bmp")).size(), QSize(352, 288));
  orvane::test::AnswerCompressionDialog(1);
  EXPECT_TRUE(w.Send(WM_CAP_DLG_VIDEOCOMPRESSION));
  w.Setup(66667, 1, false);
  ASSERT_TRUE(w.SetFile("C:\\mjpeg.avi"));
  ASSERT_TRUE(w.Send(WM_CAP_SEQUENCE));
  ASSERT_TRUE(w.WaitIdle(5000));
  auto mjpeg = orvane::test::Probe(prefix.driveC() + "/mjpeg.avi");
  ASSERT_TRUE(mjpeg.ok) << mjpeg.errors;
  EXPECT_EQ(mjpeg.streams.at(0).codecName, "mjpeg");
  EXPECT_EQ(mjpeg.streams[0].width, 352);

  // A new connection to the same camera keeps its format for the run.
  ASSERT_TRUE(w.Send(WM_CAP_DRIVER_DISCONNECT));
  EXPECT_FALSE(w.Send(WM_CAP_GET_STATUS, sizeof status, reinterpret_cast<LPARAM>(&status)));
  ASSERT_TRUE(w.Send(WM_CAP_DRIVER_CONNECT, 0));
  EXPECT_EQ(w.Status().uiImageWidth, 352u);

  // A connect or a status that fails; a driver that does not exist.
  dshow::faults::Arm("WM_CAP_GET_STATUS", E_FAIL, 1);
  EXPECT_FALSE(w.SendRecord(WM_CAP_GET_STATUS, status));
  dshow::faults::Arm("WM_CAP_DRIVER_CONNECT", E_FAIL, 1);
  Window refused;
  EXPECT_FALSE(refused.connected);
  EXPECT_FALSE(refused.Send(WM_CAP_SET_PREVIEW, 1));
  EXPECT_FALSE(refused.Send(WM_CAP_SEQUENCE));
  EXPECT_FALSE(Window(9).connected);
}
