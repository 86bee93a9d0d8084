#include "vfw_edition/capturedriver.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QWidget>
#include <cstring>

#include "platform/dshow/devices.h"
#include "platform/dshow/faults.h"
#include "platform/ui/windowops.h"
#include "platform/vfw/capturedrivers.h"
#include "tests/support/capturewindowdialogs.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/testprefix.h"

namespace {

constexpr char kNoCamera[] = "No Lumitrex camera found !\n Install Lumitrex Camera.";

// A main window of Tarrow's narrow size and fresh driver state.
struct CaptureFixture : ::testing::Test {
  orvane::test::TempPrefix prefix;
  orvane::test::RecordingMessageBoxes boxes;
  QWidget main;

  CaptureFixture() {
    main.resize(429, 403);
    AfxSetMainWnd(&main);
    DriverFound = 0;
    DriverIndex = 0;
    LimitPreviewWidth = 1;
    InitialPreviewOffset = 1;
    CaptureWindow = nullptr;
  }
  ~CaptureFixture() override {
    DisconnectCaptureWindow();
    dshow::faults::DisarmAll();
    dshow::testapi::ResetDevices();
  }
  QRect Placed() const { return CaptureWindow->geometry(); }
};

}  // namespace

TEST_F(CaptureFixture, TheFirstOfTheMakersOrTheSystemsDriversAmongTheFirstSixIsChosen) {
  vfw::testapi::SetDrivers({"USB Camera", "Microsoft WDM Image Capture (Win32)"});
  EXPECT_EQ(FindCaptureDriver(), 2);
  EXPECT_EQ(DriverIndex, 1);
  EXPECT_EQ(DriverFound, 1);
  EXPECT_STREQ(DriverTable[1], "Microsoft WDM Image Capture (Win32), Version: 1.0");
  EXPECT_TRUE(boxes.texts().empty());

  // The only match at index 6 is past the table; a lower-case maker name is
  // no match. Either way the earlier choice stands.
  std::vector<std::string> seven(6, "USB Camera");
  seven.push_back("Lumitrex Virtual Camera");
  vfw::testapi::SetDrivers(seven);
  EXPECT_EQ(FindCaptureDriver(), 0);
  EXPECT_EQ(DriverCount, 6);
  vfw::testapi::SetDrivers({"lumitrex camera"});
  EXPECT_EQ(FindCaptureDriver(), 0);
  ASSERT_EQ(boxes.boxes().size(), 2u);
  EXPECT_EQ(boxes.boxes()[0].text, kNoCamera);
  EXPECT_EQ(boxes.boxes()[0].caption, "Error");
  EXPECT_EQ(DriverIndex, 1);

  // A description longer than an entry is cut, never written past it.
  vfw::testapi::SetDrivers({std::string(200, 'L')});
  FindCaptureDriver();
  EXPECT_EQ(std::strlen(DriverTable[0]), static_cast<std::size_t>(kDriverEntryLength - 1));
}

TEST_F(CaptureFixture, TheConnectedWindowPreviewsCentredWithTheOffsetInForce) {
  ASSERT_TRUE(ConnectCaptureWindow(&main, TRUE));
  ASSERT_TRUE(IsWindow(CaptureWindow));
  EXPECT_EQ(CaptureWindow->parentWidget(), &main);
  EXPECT_TRUE(DriverCaps.fHasDlgVideoFormat);
  EXPECT_EQ(CaptureStatus.uiImageWidth, 320u);
  // The window took the program's defaults.
  CAPTUREPARMS window{};
  SendCaptureRecord(WM_CAP_GET_SEQUENCE_SETUP, window);
  EXPECT_EQ(std::memcmp(&window, &CaptureParams, sizeof window), 0);
  EXPECT_EQ(CaptureParams.dwIndexSize, 34952u);
  EXPECT_EQ(CaptureParams.fAbortRightMouse, 1);

  // 320x240 in a 429x403 client area: centred at (54, 81), then moved.
  StartPreview();
  EXPECT_EQ(Placed(), QRect(54 - 67, 81 - 24, 320, 240));
  InitialPreviewOffset = 0;
  LayoutPreview();
  EXPECT_EQ(Placed(), QRect(54 - 53, 81 - 7, 320, 240));

  // 352 wide is clamped with the message until the width check is cleared.
  orvane::test::AnswerFormatDialog("352 x 288 YUY2");
  ASSERT_TRUE(SendCaptureMessage(WM_CAP_DLG_VIDEOFORMAT, 0, 0));
  LayoutPreview();
  EXPECT_EQ(Placed().size(), QSize(320, 240));
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_EQ(boxes.texts()[0], kNarrowFormatOnly);
  LimitPreviewWidth = 0;
  LayoutPreview();
  EXPECT_EQ(Placed(), QRect((429 - 352) / 2 - 53, (403 - 288) / 2 - 7, 352, 288));
  EXPECT_EQ(boxes.texts().size(), 1u);

  StopPreview();
  CAPSTATUS status{};
  SendCaptureRecord(WM_CAP_GET_STATUS, status);
  EXPECT_FALSE(status.fLiveWindow);

  // Disconnected, the window is gone; a reconnection without discovery makes
  // a new one on the same driver.
  QPointer<QWidget> old = CaptureWindow;
  DisconnectCaptureWindow();
  EXPECT_EQ(CaptureWindow, nullptr);
  EXPECT_TRUE(old.isNull());
  ASSERT_TRUE(ConnectCaptureWindow(&main, FALSE));
  EXPECT_EQ(CaptureStatus.uiImageWidth, 352u);
}

TEST_F(CaptureFixture, WithoutADriverOrAConnectionTheMessagesAreSkipped) {
  dshow::faults::Arm("WM_CAP_DRIVER_CONNECT", E_FAIL, 1);
  EXPECT_FALSE(ConnectCaptureWindow(&main, TRUE));
  ASSERT_EQ(boxes.texts().size(), 1u);
  EXPECT_EQ(boxes.texts()[0], "Camera Device is disabled !!!");
  ASSERT_TRUE(IsWindow(CaptureWindow)) << "the unconnected window stays";
  StartPreview();  // a failed status lays the window out at 0 by 0
  EXPECT_EQ(Placed(), QRect(429 / 2 - 67, 403 / 2 - 24, 0, 0));
  DisconnectCaptureWindow();

  boxes.clear();
  DriverFound = 0;
  vfw::testapi::SetDrivers({});
  EXPECT_FALSE(ConnectCaptureWindow(&main, TRUE));
  EXPECT_EQ(CaptureWindow, nullptr);
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{kNoCamera});
  StartPreview();
  StopPreview();
  EXPECT_EQ(SendCaptureMessage(WM_CAP_SEQUENCE, 0, 0), 0);
  EXPECT_EQ(PreviewRect.right - PreviewRect.left, 0);
}
