#include "platform/ui/messagebox.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "tests/support/eventloop.h"
#include "tests/support/recordingboxes.h"

using orvane::test::RecordingMessageBoxes;

namespace {

void Press(QWidget* widget, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
}

QAbstractButton* ButtonWithRole(QMessageBox* box, QMessageBox::StandardButton which) {
  return box->button(which);
}

}  // namespace

TEST(MessageBox, ObserverSeesEveryBoxAndBeepInOrder) {
  RecordingMessageBoxes boxes;
  QWidget owner;
  boxes.Answer({IDCANCEL});
  MessageBeep(MB_ICONEXCLAMATION);
  EXPECT_EQ(MessageBox(&owner, "first", nullptr, MB_OKCANCEL | MB_ICONEXCLAMATION), IDCANCEL);
  EXPECT_EQ(MessageBox(nullptr, "second", "Velbin", MB_YESNO | MB_DEFBUTTON2), IDNO);
  EXPECT_EQ(MessageBox(nullptr, nullptr, "", MB_OK), IDOK);

  ASSERT_EQ(boxes.events().size(), 4u);
  EXPECT_TRUE(boxes.events()[0].beep);
  EXPECT_EQ(boxes.events()[0].beepType, MB_ICONEXCLAMATION);
  const auto shown = boxes.boxes();
  EXPECT_EQ(shown[0].owner, &owner);
  EXPECT_EQ(shown[0].text, "first");
  EXPECT_EQ(shown[0].caption, "Error");  // no caption given
  EXPECT_EQ(shown[0].style, MB_OKCANCEL | MB_ICONEXCLAMATION);
  EXPECT_EQ(shown[1].caption, "Velbin");
  EXPECT_EQ(shown[2].text, "");
  EXPECT_EQ(shown[2].caption, "");  // an empty caption is a caption

  QCoreApplication::setApplicationName("Tarrow");
  AfxMessageBox("framework box");
  EXPECT_EQ(boxes.boxes().back().caption, "Tarrow");
  EXPECT_EQ(boxes.boxes().back().style, MB_OK);
}

TEST(MessageBox, DefaultAnswersFollowTheDefaultButton) {
  struct Case {
    UINT style;
    int answer;
  } cases[] = {
      {MB_OK, IDOK},
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_YESNO, IDYES},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_RETRYCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON2, IDRETRY},
      {MB_OK | MB_DEFBUTTON3, IDOK},  // beyond the buttons: the first
  };
  for (const Case& tc : cases) EXPECT_EQ(orvane::ui::DefaultButton(tc.style), tc.answer);
}

TEST(MessageBox, RealBoxShowsCaptionTextAndAnswersKeys) {
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  orvane::test::WhenModalShows<QMessageBox>([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    Press(box, Qt::Key_Escape);
  });
  EXPECT_EQ(
      MessageBox(nullptr, "Unable to open hyperlink:\n\n<b>x</b>", nullptr, MB_ICONEXCLAMATION),
      IDOK);
  EXPECT_EQ(title, "Error");
  EXPECT_EQ(text, "Unable to open hyperlink:\n\n<b>x</b>");
  EXPECT_EQ(icon, QMessageBox::Warning);

  orvane::test::WhenModalShows<QMessageBox>([](QMessageBox* box) { Press(box, Qt::Key_Escape); });
  EXPECT_EQ(MessageBox(nullptr, "cancel?", "c", MB_OKCANCEL), IDCANCEL);

  // Escape does nothing on a Yes/No box; the user has to choose.
  orvane::test::WhenModalShows<QMessageBox>([](QMessageBox* box) {
    Press(box, Qt::Key_Escape);
    QTimer::singleShot(20, box, [box] {
      if (box->isVisible()) ButtonWithRole(box, QMessageBox::No)->click();
    });
  });
  EXPECT_EQ(MessageBox(nullptr, "yes or no", "c", MB_YESNO | MB_ICONQUESTION), IDNO);

  orvane::test::WhenModalShows<QMessageBox>([](QMessageBox* box) {
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    box->defaultButton()->click();
  });
  EXPECT_EQ(MessageBox(nullptr, "default", "c", MB_YESNOCANCEL | MB_DEFBUTTON2), IDNO);
}
