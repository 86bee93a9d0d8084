// Tarrow end to end, offscreen, on the virtual camera: recording with and
// without a limit, photos, the capture files window, the option dialogs,
// the window's shape, and a run without any camera.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <memory>

#include "platform/dshow/devices.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/qttranslations.h"
#include "platform/ui/terminationsignals.h"
#include "platform/vfw/capturedrivers.h"
#include "resources/tarrow/tarrowresources.h"
#include "tests/support/dialoganswers.h"
#include "tests/support/eventloop.h"
#include "platform/system/nameclaim.h"
#include "tests/support/ffprobe.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/scopedresourcemodule.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"
#include "vfw_edition/capturedriver.h"
#include "vfw_edition/captureoptionsdlg.h"
#include "vfw_edition/recordoptions.h"
#include "vfw_edition/savedirsdlg.h"
#include "vfw_edition/vfwviewerdialog.h"
#include "vfw_edition/windowshape.h"

using orvane::test::PumpFor;
using orvane::test::PumpUntil;
namespace fs = std::filesystem;

namespace {

QAbstractButton* Button(QWidget* dialog, int id) {
  return qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(dialog, id));
}

// Types text into the edit key by key, as a user would.
void Type(QLineEdit* edit, const QString& text) {
  edit->setFocus();
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(edit, &press);
  }
}

void Erase(QLineEdit* edit) {
  edit->setFocus();
  edit->end(false);
  while (!edit->text().isEmpty()) {
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QApplication::sendEvent(edit, &backspace);
  }
}

class Tarrow : public ::testing::Test {
 protected:
  Tarrow() {
    ResetRecordOptions();
    DriverFound = 0;
    LimitPreviewWidth = 1;
    InitialPreviewOffset = 1;
    dshow::testapi::SetDevices(
        {dshow::testapi::VirtualCamera(), dshow::testapi::VirtualMicrophone()}, false);
  }
  ~Tarrow() override {
    if (dialog) Exit();
    dshow::testapi::ResetDevices();
  }
  void Open() {
    dialog = std::make_unique<VfwViewerDialog>();
    ASSERT_TRUE(dialog->Create());
    dialog->show();
  }
  void Exit() {
    Button(dialog.get(), 1)->click();
    dialog.reset();
  }
  std::string Video(const char* name) const {
    return prefix.driveC() + "/Lumitrex Images/video/" + name;
  }
  std::string Still(const char* name) const {
    return prefix.driveC() + "/Lumitrex Images/still/" + name;
  }
  int Listed() const { return dialog->filesWindow() ? dialog->filesWindow()->thumbnailCount() : 0; }
  void Click(int id) { Button(dialog.get(), id)->click(); }

  orvane::test::TempPrefix prefix;
  orvane::test::ScopedResourceModule resources{&orvane::resources::TarrowResources()};
  orvane::test::RecordingMessageBoxes boxes;
  std::unique_ptr<VfwViewerDialog> dialog;
};

}  // namespace

TEST_F(Tarrow, RecordsWithAndWithoutALimitAndTakesNumberedPhotos) {
  Open();
  ASSERT_TRUE(dialog->filesWindow() == nullptr);
  EXPECT_TRUE(boxes.texts().empty()) << "the camera is found and connected";
  EXPECT_EQ(dialog->timeText(), "00:00");
  EXPECT_FALSE(Button(dialog.get(), 1002)->isEnabled());

  // A 3 s limit: Stop stays off, and the clock ends the recording at 4 s.
  // Another program recording into the same folder holds tmp.bmp: this one
  // takes its thumbnail in a file of its own.
  RecordOptions.UseTimeLimit = 1;
  RecordOptions.TimeLimit = 3;
  auto other = orvane::files::NameClaim::Claim("c:\\Lumitrex Images\\video\\tmp.bmp");
  ASSERT_TRUE(other);
  orvane::test::WriteHostFile(Video("tmp.bmp"), "the other program's");
  Click(1001);
  EXPECT_EQ(orvane::test::ReadHostFile(Video("tmp1.bmp")).substr(0, 2), "BM");
  EXPECT_FALSE(Button(dialog.get(), 1001)->isEnabled());
  EXPECT_FALSE(Button(dialog.get(), 1002)->isEnabled());
  ASSERT_TRUE(PumpUntil([&] { return Listed() == 1; }, 6000));
  EXPECT_EQ(dialog->timeText(), "00:00");
  EXPECT_TRUE(Button(dialog.get(), 1001)->isEnabled());
  EXPECT_TRUE(orvane::ui::GetDlgItem(dialog.get(), 1017)->isVisible());
  EXPECT_FALSE(fs::exists(Video("tmp1.bmp"))) << "the thumbnail was taken in and removed";
  EXPECT_EQ(orvane::test::ReadHostFile(Video("tmp.bmp")), "the other program's");
  CTitledPicsWnd* strip = dialog->filesWindow()->strip();
  EXPECT_EQ(strip->GetPathAt(0), "c:\\Lumitrex Images\\video\\vid00000.avi");
  auto limited = orvane::test::Probe(Video("vid00000.avi"));
  ASSERT_TRUE(limited.ok) << limited.errors;
  EXPECT_NEAR(limited.streams.at(0).frames, 45, 3) << "3 s at 15 fps";

  // Without a limit, Stop ends it.
  RecordOptions.UseTimeLimit = 0;
  Click(1001);
  EXPECT_TRUE(Button(dialog.get(), 1002)->isEnabled());
  PumpFor(1500);
  Click(1002);
  EXPECT_FALSE(orvane::ui::GetDlgItem(dialog.get(), 1017)->isVisible());
  EXPECT_EQ(Listed(), 2);
  auto stopped = orvane::test::Probe(Video("vid00001.avi"));
  ASSERT_TRUE(stopped.ok) << stopped.errors;
  EXPECT_GT(stopped.streams.at(0).frames, 10);

  // Photos take the lowest free numbers and show themselves.
  orvane::test::WriteHostFile(Still("img00000.bmp"), "taken");
  Click(1005);
  Click(1005);
  EXPECT_EQ(Listed(), 4);
  EXPECT_EQ(strip->GetPathAt(2), "c:\\Lumitrex Images\\still\\img00001.bmp");
  EXPECT_EQ(QImage(QString::fromStdString(Still("img00001.bmp"))).size(), QSize(320, 240));
  EXPECT_TRUE(fs::exists(Still("img00002.bmp")));

  // The clock: a tick a second, minutes after 59 seconds.
  for (int tick = 0; tick < 61; ++tick) SendMessage(dialog.get(), WM_TIMER, 3, 0);
  EXPECT_EQ(dialog->timeText(), "01:01");
  EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(Tarrow, TheCaptureFilesWindowDeletesOnlyItsFilesAndNeverCopiesOverOne) {
  Open();
  Click(1005);
  Click(1005);
  Click(1005);
  ASSERT_EQ(Listed(), 3);
  orvane::test::WriteHostFile(Still("mine.bmp"), "the user's own");
  CaptureFilesDialog* files = dialog->filesWindow();

  // Save as copy onto an existing file: refused, the file unchanged, the
  // user told.
  files->strip()->SetSelection(0);
  {
    orvane::test::SaveAsAnswer answer("c:\\Lumitrex Images\\still\\mine.bmp");
    Button(files, 1047)->click();
    ASSERT_EQ(answer.calls.size(), 1u);
    EXPECT_EQ(answer.calls[0].filter, "그림 파일(*.bmp) |*.bmp|");
  }
  EXPECT_EQ(orvane::test::ReadHostFile(Still("mine.bmp")), "the user's own");
  ASSERT_EQ(boxes.texts().size(), 1u);

  // Delete the first, Delete all: only listed files go; the buttons follow.
  Button(files, 1048)->click();
  EXPECT_FALSE(fs::exists(Still("img00000.bmp")));
  EXPECT_EQ(files->thumbnailCount(), 2);
  Button(files, 1049)->click();
  EXPECT_FALSE(fs::exists(Still("img00001.bmp")) || fs::exists(Still("img00002.bmp")));
  EXPECT_TRUE(fs::exists(Still("mine.bmp")));
  for (int id : {1024, 1047, 1048, 1049}) EXPECT_FALSE(Button(files, id)->isEnabled());

  // Closed (here by Escape), the window is gone; the next photo opens a new,
  // empty one.
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(files, &escape);
  EXPECT_EQ(dialog->filesWindow(), nullptr);
  Click(1005);
  ASSERT_NE(dialog->filesWindow(), nullptr);
  EXPECT_NE(dialog->filesWindow(), files);
  EXPECT_EQ(Listed(), 1);
}

TEST_F(Tarrow, TheOptionDialogsRefuseWhatTheyCannotUseAndCommitOnOk) {
  CaptureOptionsDialog options(RecordOptions, nullptr);
  orvane::test::WhenWindowShows("captureOptions", [&](QWidget*) {
    auto edit = [&](int id) {
      return qobject_cast<QLineEdit*>(orvane::ui::GetDlgItem(&options, id));
    };
    EXPECT_TRUE(Button(&options, 1030)->isChecked());
    EXPECT_TRUE(Button(&options, 1054)->isChecked());
    EXPECT_EQ(edit(1023)->text(), "10");
    EXPECT_TRUE(edit(1023)->isVisible());
    EXPECT_EQ(edit(1026)->text(), "15");
    Erase(edit(1026));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{kEnterAnInteger});
    Type(edit(1026), "3");
    EXPECT_EQ(boxes.texts().size(), 1u);
    Type(edit(1026), "1");
    ASSERT_EQ(boxes.texts().size(), 2u);
    EXPECT_EQ(boxes.texts()[1], "1와(과) 30 사이의 정수를 입력하십시오.");
    Erase(edit(1026));
    Type(edit(1026), "0");
    EXPECT_EQ(boxes.texts().size(), 4u) << "0 frames a second cannot be recorded";
    Erase(edit(1026));
    Type(edit(1026), "25");
    Button(&options, 1031)->click();
    EXPECT_TRUE(edit(1023)->isVisible());
    Button(&options, 1030)->click();
    EXPECT_FALSE(edit(1023)->isVisible());
    Button(&options, 1031)->click();
    Button(&options, 1055)->click();
    Erase(edit(1023));
    // Pasted at once: a box selects the edit's text, and a key typed after
    // it replaces that.
    edit(1023)->setFocus();
    QKeyEvent paste(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("-5"));
    QApplication::sendEvent(edit(1023), &paste);
    boxes.clear();
    Button(&options, 1)->click();  // OK refuses the negative seconds
    EXPECT_TRUE(options.isVisible());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"1와(과) 9999 사이의 정수를 입력하십시오."});
    Erase(edit(1023));
    Type(edit(1023), "7");
    Button(&options, 1)->click();
  });
  ASSERT_EQ(options.DoModal(), IDOK);
  EXPECT_EQ(options.m_TimeLimitChoice, 1);
  EXPECT_EQ(options.m_Seconds, 7);
  EXPECT_EQ(options.m_AudioChoice, 1);
  EXPECT_EQ(options.m_FrameRate, 25);

  // Folders: a root of A: to F: keeps its one backslash, any other folder
  // gets one; Cancel keeps the old ones.
  orvane::test::FolderAnswers folders({"C:\\", "C:\\Photos", "G:\\"});
  SaveDirsDialog dirs("c:\\Lumitrex Images\\still\\img00004.bmp", "c:\\v\\", nullptr);
  EXPECT_EQ(dirs.m_PhotoDir, "c:\\Lumitrex Images\\still\\");
  orvane::test::WhenWindowShows("saveDirs", [&](QWidget*) {
    Button(&dirs, 1024)->click();
    EXPECT_EQ(dirs.m_PhotoDir, "C:\\");
    Button(&dirs, 1024)->click();
    EXPECT_EQ(dirs.m_PhotoDir, "C:\\Photos\\");
    Button(&dirs, 1052)->click();
    EXPECT_EQ(dirs.m_VideoDir, "G:\\\\");
    EXPECT_EQ(qobject_cast<QLabel*>(orvane::ui::GetDlgItem(&dirs, 1050))->text(), "C:\\Photos\\");
    Button(&dirs, 1)->click();
  });
  EXPECT_EQ(dirs.DoModal(), IDOK);
  EXPECT_EQ(folders.titles, std::vector<std::string>(3, "Select Save directory"));
}

TEST_F(Tarrow, TheWindowIsShapedAndItsPanelWidens) {
  const QRegion region = ViewerWindowRegion();
  EXPECT_TRUE(region.contains(QPoint(200, 200)));
  EXPECT_TRUE(region.contains(QPoint(500, 100))) << "the option panel";
  EXPECT_FALSE(region.contains(QPoint(200, 10))) << "no caption band";
  EXPECT_TRUE(region.contains(QPoint(420, 80)));
  EXPECT_FALSE(region.contains(QPoint(425, 67))) << "inside the first cut-out triangle";
  EXPECT_FALSE(region.contains(QPoint(425, 98))) << "inside the second one";

  Open();
  EXPECT_EQ(dialog->mask(), region);
  EXPECT_EQ(dialog->size(), QSize(429, 403));
  Click(1041);
  EXPECT_EQ(dialog->width(), 536);
  EXPECT_FALSE(Button(dialog.get(), 1041)->isEnabled());
  EXPECT_TRUE(Button(dialog.get(), 1043)->isEnabled());
  Click(1043);
  EXPECT_EQ(dialog->width(), 429);
  EXPECT_EQ(Button(dialog.get(), 1001)->accessibleName(), "녹화 시작");
  EXPECT_EQ(Button(dialog.get(), 1059)->accessibleName(), "화면,프레임수,오디오");
}

TEST_F(Tarrow, WithoutACameraEveryCommandStillRunsItsOtherSteps) {
  vfw::testapi::SetDrivers({});
  testing::internal::CaptureStderr();
  Open();
  EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr("orvane-probe doctor"));
  EXPECT_EQ(boxes.texts(),
            std::vector<std::string>{"No Lumitrex camera found !\n Install Lumitrex Camera."});
  Click(1001);
  SendMessage(dialog.get(), WM_TIMER, 3, 0);
  EXPECT_EQ(dialog->timeText(), "00:01");
  Click(1002);
  Click(1005);
  ASSERT_EQ(Listed(), 2) << "the numbered names are listed, without pictures";
  for (int item = 0; item < 3; ++item) {  // source, format, compression: skipped
    orvane::test::ChooseFromPopup(item);
    Click(1059);
  }
  orvane::test::WhenWindowShows("captureOptions",
                                [](QWidget* options) { static_cast<QDialog*>(options)->reject(); });
  orvane::test::ChooseFromPopup(3);
  Click(1059);
  EXPECT_EQ(LimitPreviewWidth, 0) << "Format clears the width check, camera or not";
  Exit();
}

// Captures that end or fail by themselves, and the system ending the
// program: the window says what happened and lists only real files.
TEST_F(Tarrow, TheWindowTellsTheTruthWhenACaptureEndsOrFailsByItself) {
  Open();
  orvane::ui::CloseOnTermination(dialog.get());
  // Alt+Space on the focused 녹화 opens the system menu and records nothing.
  QAbstractButton* start = Button(dialog.get(), 1001);
  start->setFocus();
  bool menuShown = false;
  QTimer::singleShot(100, [&] {
    QWidget* menu = QApplication::activePopupWidget();
    menuShown = menu && menu->objectName() == "systemMenu";
    if (menu) menu->close();
  });
  for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
    QKeyEvent altSpace(type, Qt::Key_Space, Qt::AltModifier, " ");
    QApplication::sendEvent(start, &altSpace);
  }
  EXPECT_TRUE(menuShown);
  EXPECT_TRUE(start->isEnabled());

  // A click in the program ends the sequence: the clock stops at once and
  // the file, as far as it went, is listed.
  Click(1001);
  PumpFor(1500);
  QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(dialog.get(), &click);
  ASSERT_TRUE(PumpUntil([&] { return Listed() == 1; }, 2500));
  EXPECT_EQ(dialog->timeText(), "00:00");
  EXPECT_TRUE(start->isEnabled());
  EXPECT_FALSE(Button(dialog.get(), 1002)->isEnabled());
  PumpFor(1100);
  EXPECT_EQ(dialog->timeText(), "00:00") << "the clock stays stopped";
  auto clicked = orvane::test::Probe(Video("vid00000.avi"));
  ASSERT_TRUE(clicked.ok) << clicked.errors;
  EXPECT_GT(clicked.streams.at(0).frames, 5);

  // A folder that cannot take the recording or the photo: a message each,
  // nothing listed, no clock.
  VideoPath = StillPath = "c:\\Lumitrex Images\\missing\\";
  Click(1001);
  Click(1005);
  ASSERT_EQ(boxes.texts().size(), 2u);
  EXPECT_NE(boxes.texts()[0].find("The recording could not start"), std::string::npos);
  EXPECT_NE(boxes.texts()[1].find("The photo could not be saved"), std::string::npos);
  EXPECT_EQ(Listed(), 1);
  EXPECT_TRUE(start->isEnabled());
  PumpFor(1100);
  EXPECT_EQ(dialog->timeText(), "00:00");

  // SIGTERM while recording: the file is finished and plays.
  ResetRecordOptions();
  Click(1001);
  PumpFor(1500);
  ::raise(SIGTERM);
  ASSERT_TRUE(PumpUntil([&] { return !dialog->isVisible(); }, 2000));
  dialog.reset();
  auto ended = orvane::test::Probe(Video("vid00001.avi"));
  ASSERT_TRUE(ended.ok) << ended.errors;
  EXPECT_GT(ended.streams.at(0).frames, 10);
  EXPECT_EQ(ended.streams.at(0).frames, ended.streams.at(0).headerFrames);
}

// Tarrow speaks Korean in Qt's own dialogs too: the Save As dialog of its
// capture files window, for one.
TEST(TarrowLanguage, QtsOwnDialogsSpeakKorean) {
  ASSERT_TRUE(orvane::ui::UseQtTranslations(QLocale(QLocale::Korean, QLocale::SouthKorea)));
  QFileDialog save;
  save.setOption(QFileDialog::DontUseNativeDialog);
  save.setAcceptMode(QFileDialog::AcceptSave);
  auto* buttons = save.findChild<QDialogButtonBox*>();
  ASSERT_TRUE(buttons);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text().toStdString(), "취소");
  EXPECT_NE(buttons->button(QDialogButtonBox::Save)->text().toStdString().find("저장"),
            std::string::npos);
}
