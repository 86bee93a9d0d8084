#include "controls/bitmapbutton.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <vector>

#include "platform/ui/buttonnotify.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/postedmessage.h"
#include "platform/ui/resources.h"
#include "resources/tarrow/tarrowresources.h"
#include "resources/velbin/velbinresources.h"
#include "tests/support/commandrecorder.h"
#include "tests/support/eventloop.h"
#include "tests/support/scopedresourcemodule.h"

using orvane::test::ScopedResourceModule;
using orvane::ui::GetDlgItem;

namespace {

const QColor kBackdrop(255, 0, 255);

// A main window built from its template, on a plain magenta background; it
// records every command that reaches it.
class Dialog : public orvane::test::CommandRecorder {
 public:
  explicit Dialog(const std::string& renamed = {}) {
    orvane::ui::DialogTemplate dialog = *orvane::ui::FindDialogTemplate(102);
    // Optionally give Start (or start) a caption no bitmap carries.
    for (auto& control : dialog.controls)
      if (!renamed.empty() && (control.id == 1005 || control.id == 1001)) control.caption = renamed;
    orvane::ui::CreateDialogControls(dialog, this);
    if (QWidget* picture = GetDlgItem(this, -1)) picture->hide();
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackdrop);
    setPalette(colours);
    setAutoFillBackground(true);
    show();
    activateWindow();
    orvane::test::PumpUntil([this] { return isActiveWindow(); }, 1000);
  }
  QAbstractButton* Button(int id) { return qobject_cast<QAbstractButton*>(GetDlgItem(this, id)); }
};

// Whether the widget's pixels from its top-left equal face's, over area.
bool Shows(QWidget* widget, const QImage& face, QSize area = {}) {
  if (face.isNull()) return false;
  if (!area.isValid()) area = face.size();
  const QImage shot = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage want = face.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < area.height(); ++y)
    for (int x = 0; x < area.width(); ++x)
      if (shot.pixel(x, y) != want.pixel(x, y)) return false;
  return true;
}

void Mouse(QWidget* widget, QEvent::Type type, QPoint at) {
  const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)),
                    type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

}  // namespace

TEST(BitmapButton, AttachSizesToTheUpFaceKeepingPlaceAndOrder) {
  const struct {
    const orvane::ui::ResourceModule* module;
    int id;
    QSize size;
  } cases[] = {
      {&orvane::resources::VelbinResources(), 1, {18, 18}},
      {&orvane::resources::VelbinResources(), 1005, {35, 35}},
      {&orvane::resources::VelbinResources(), 1025, {23, 23}},  // "Deleteall": DELETEALLU
      {&orvane::resources::VelbinResources(), 1030, {18, 18}},
      {&orvane::resources::TarrowResources(), 1002, {56, 25}},  // STOPX is narrower
      {&orvane::resources::TarrowResources(), 1035, {19, 17}},  // MYHELPF is narrower
      {&orvane::resources::TarrowResources(), 1043, {11, 19}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    ScopedResourceModule scope(c.module);
    Dialog dialog;
    QAbstractButton* control = dialog.Button(c.id);
    ASSERT_NE(control, nullptr);
    const QPoint place = control->pos();
    const int order = dialog.children().indexOf(control);
    QWidget* next = control->nextInFocusChain();
    CBitmapButton button;
    EXPECT_TRUE(button.AutoLoad(c.id, &dialog));
    EXPECT_EQ(button.button(), control);
    EXPECT_EQ(GetDlgItem(&dialog, c.id), control);
    EXPECT_EQ(control->geometry(), QRect(place, c.size));
    EXPECT_EQ(dialog.children().indexOf(control), order);
    EXPECT_EQ(control->nextInFocusChain(), next);
    EXPECT_EQ(button.GetDlgCtrlID(), c.id);
  }
}

TEST(BitmapButton, AttachFailsWithoutControlOrUpFace) {
  ScopedResourceModule scope(&orvane::resources::VelbinResources());
  Dialog dialog("Nothing");
  CBitmapButton chat;
  EXPECT_FALSE(chat.AutoLoad(1019, &dialog));  // no such control
  EXPECT_EQ(chat.button(), nullptr);

  QAbstractButton* control = dialog.Button(1005);
  const QRect before = control->geometry();
  CBitmapButton faceless;
  EXPECT_FALSE(faceless.AutoLoad(1005, &dialog));
  EXPECT_EQ(faceless.button(), control);   // attached all the same
  EXPECT_EQ(control->geometry(), before);  // not resized
  QImage backdrop(before.size(), QImage::Format_RGB32);
  backdrop.fill(kBackdrop);
  const QImage shot = dialog.grab(before).toImage();
  EXPECT_EQ(shot.convertToFormat(QImage::Format_RGB32), backdrop) << "no face, nothing drawn";
}

TEST(BitmapButton, DrawsTheFaceOfItsState) {
  enum State { kNormal, kPressed, kFocused, kDisabled, kPressedDisabled };
  const struct {
    const orvane::ui::ResourceModule* module;
    int id;
    std::string caption;
    State state;
    char face;
  } cases[] = {
      {&orvane::resources::VelbinResources(), 1005, "STARTU", kNormal, 'U'},
      {&orvane::resources::VelbinResources(), 1005, "STARTD", kPressed, 'D'},
      {&orvane::resources::VelbinResources(), 1005, "STARTU", kFocused, 'U'},  // no F face
      {&orvane::resources::VelbinResources(), 1005, "STARTX", kDisabled, 'X'},
      {&orvane::resources::VelbinResources(), 1006, "STOPU", kDisabled, 'U'},  // no X face
      {&orvane::resources::TarrowResources(), 1, "EXITF", kPressed, 'F'},      // pressed has focus
      {&orvane::resources::TarrowResources(), 1, "EXITF", kFocused, 'F'},
      {&orvane::resources::TarrowResources(), 1, "EXITU", kNormal, 'U'},
      {&orvane::resources::TarrowResources(), 1001, "STARTX", kDisabled, 'X'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption + " state " + std::to_string(c.state));
    ScopedResourceModule scope(c.module);
    Dialog dialog;
    CBitmapButton button;
    ASSERT_TRUE(button.AutoLoad(c.id, &dialog));
    QAbstractButton* control = button.button();
    if (c.state == kPressed || c.state == kFocused) {
      control->setFocus(Qt::OtherFocusReason);  // not by Tab: no focus frame over the face
      ASSERT_TRUE(control->hasFocus());
    }
    if (c.state == kPressed || c.state == kPressedDisabled) control->setDown(true);
    if (c.state == kDisabled || c.state == kPressedDisabled) control->setEnabled(false);
    EXPECT_TRUE(Shows(control, orvane::ui::LoadBitmapImage(c.caption)));
    const QPixmap& chosen =
        button.FaceFor(control->isDown(), control->hasFocus(), c.state >= kDisabled);
    EXPECT_EQ(chosen.toImage(), orvane::ui::LoadBitmapImage(c.caption));
  }
}

TEST(BitmapButton, SmallerFaceCoversItsCornerAndLeavesTheRestToTheDialog) {
  ScopedResourceModule scope(&orvane::resources::TarrowResources());
  Dialog dialog;
  CBitmapButton stop;
  ASSERT_TRUE(stop.AutoLoad(1002, &dialog));
  QAbstractButton* control = stop.button();
  control->setEnabled(false);
  const QImage stopX = orvane::ui::LoadBitmapImage("STOPX");
  ASSERT_EQ(stopX.size(), QSize(55, 25));
  EXPECT_TRUE(Shows(control, stopX));
  const QImage shot = dialog.grab(control->geometry()).toImage();
  for (int y = 0; y < 25; ++y) EXPECT_EQ(shot.pixelColor(55, y), kBackdrop) << y;
}

TEST(BitmapButton, ClicksAreSentToTheParentAsTheyHappen) {
  ScopedResourceModule scope(&orvane::resources::VelbinResources());
  Dialog dialog;
  CBitmapButton start, stop;
  ASSERT_TRUE(start.AutoLoad(1005, &dialog));
  ASSERT_TRUE(stop.AutoLoad(1006, &dialog));
  QAbstractButton* control = start.button();
  const QPoint inside(10, 10);

  Mouse(control, QEvent::MouseButtonPress, inside);
  EXPECT_TRUE(control->isDown());
  EXPECT_TRUE(Shows(control, orvane::ui::LoadBitmapImage("STARTD")));
  EXPECT_TRUE(dialog.commands.empty());
  Mouse(control, QEvent::MouseButtonRelease, inside);
  ASSERT_EQ(dialog.commands.size(), 1u) << "sent, not posted";
  EXPECT_EQ(dialog.commands[0].controlId, 1005);
  EXPECT_EQ(dialog.commands[0].notifyCode, BN_CLICKED);
  EXPECT_EQ(dialog.commands[0].sender, control);

  // Let go outside the button: no click.
  Mouse(control, QEvent::MouseButtonPress, inside);
  Mouse(control, QEvent::MouseMove, {60, 60});
  EXPECT_FALSE(control->isDown());
  Mouse(control, QEvent::MouseButtonRelease, {60, 60});
  EXPECT_EQ(dialog.commands.size(), 1u);

  // Space on the focused Stop button, then a disabled Start that stays quiet.
  stop.button()->setFocus(Qt::TabFocusReason);
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
  QApplication::sendEvent(stop.button(), &press);
  QApplication::sendEvent(stop.button(), &release);
  control->setEnabled(false);
  Mouse(control, QEvent::MouseButtonPress, inside);
  Mouse(control, QEvent::MouseButtonRelease, inside);
  orvane::test::PumpFor(20);
  ASSERT_EQ(dialog.commands.size(), 2u);
  EXPECT_EQ(dialog.commands[1].controlId, 1006);
}
