#include "controls/hoverbitmapbutton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>
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
using Frame = CHoverBitmapButton::Frame;

namespace {

constexpr int kId = 1059;

// The owner: one owner-drawn control with an id, and a record of the commands
// it receives, with whether the control was still held down at the time.
class Owner : public orvane::test::CommandRecorder {
 public:
  explicit Owner(QSize size, const char* caption = "set") {
    resize(size.width() + 40, size.height() + 40);
    control = new QPushButton(QString::fromUtf8(caption), this);
    control->setProperty(orvane::ui::kControlIdProperty, kId);
    control->setGeometry(QRect(QPoint(20, 20), size));
    other = new QPushButton(QStringLiteral("other"), this);
    other->setGeometry(0, 0, 10, 10);
    show();
    activateWindow();
    QApplication::setActiveWindow(this);
    orvane::test::PumpUntil([this] { return isActiveWindow(); }, 1000);
    // The dialog gives its first control the focus; the walk starts without it.
    other->setFocus(Qt::OtherFocusReason);
  }

  QPushButton* control;
  QPushButton* other;
};

void Mouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons held = Qt::NoButton) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) held |= button;
  QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, held,
                    Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

QImage Shot(QWidget* widget) {
  return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Whether shot holds bitmap's pixels from source at destination, over size.
bool HasPicture(const QImage& shot, const QImage& bitmap, QPoint destination, QPoint source,
                QSize size) {
  const QImage want = bitmap.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x)
      if (shot.pixel(destination + QPoint(x, y)) != want.pixel(source + QPoint(x, y)))
        return false;
  return true;
}

struct Look {
  Frame frame;
  bool hot, down, focused, tracking;
};

void ExpectLook(const CHoverBitmapButton& b, const Look& look) {
  EXPECT_EQ(b.frame(), look.frame);
  EXPECT_EQ(b.hot(), look.hot);
  EXPECT_EQ(b.buttonDown(), look.down);
  EXPECT_EQ(b.focused(), look.focused);
  EXPECT_EQ(b.tracking(), look.tracking);
  EXPECT_EQ(QWidget::mouseGrabber() == b.button(), look.tracking);
}

}  // namespace

TEST(HoverButton, LoadsInOrderAndStopsAtTheFirstMissingPicture) {
  ScopedResourceModule scope(&orvane::resources::TarrowResources());
  Owner owner({95, 26});
  CHoverBitmapButton button;
  EXPECT_FALSE(button.SubclassDlgItem(4242, &owner));
  ASSERT_TRUE(button.SubclassDlgItem(kId, &owner));
  EXPECT_TRUE(button.LoadHoverBitmaps(213, 221, 213));
  EXPECT_TRUE(button.LoadHoverBitmaps(213));
  EXPECT_FALSE(button.LoadHoverBitmaps(999, 221, 213));
  EXPECT_FALSE(button.LoadHoverBitmaps(213, 999, 213));
  EXPECT_EQ(owner.control->size(), QSize(95, 26)) << "keeps its template size";
}

TEST(HoverButton, MouseAndFocusWalkThroughTheDesignedStates) {
  ScopedResourceModule scope(&orvane::resources::TarrowResources());
  Owner owner({95, 26});
  CHoverBitmapButton button;
  ASSERT_TRUE(button.SubclassDlgItem(kId, &owner));
  ASSERT_TRUE(button.LoadHoverBitmaps(213, 221, 213));
  button.SetImageLayout(1);
  QWidget* b = owner.control;
  const QPoint in(30, 10), out(-5, 40);
  const QImage normal = orvane::ui::LoadBitmapImage(213), hot = orvane::ui::LoadBitmapImage(221);
  // Picture at the left, its middle rows (28 over 26: from row 1) showing.
  auto shows = [&](const QImage& bitmap, QPoint shift = {}) {
    return HasPicture(Shot(b), bitmap, shift, QPoint(0, 1), QSize(95, 26) - QSize(shift.x(), shift.y()));
  };
  const struct {
    const char* step;
    std::function<void()> act;
    Look look;
    const QImage* picture;
    QPoint shift;
    size_t clicks;
  } steps[] = {
      {"rest", [] {}, {Frame::kFlat, false, false, false, false}, &normal, {}, 0},
      {"enter", [&] { Mouse(b, QEvent::MouseMove, in); }, {Frame::kRaised, true, false, false, true}, &hot, {}, 0},
      {"move inside", [&] { Mouse(b, QEvent::MouseMove, in + QPoint(5, 5)); }, {Frame::kRaised, true, false, false, true}, &hot, {}, 0},
      {"leave", [&] { Mouse(b, QEvent::MouseMove, out); }, {Frame::kFlat, false, false, false, false}, &normal, {}, 0},
      {"enter again", [&] { Mouse(b, QEvent::MouseMove, in); }, {Frame::kRaised, true, false, false, true}, &hot, {}, 0},
      // Unfocused: the press only takes the focus, sunken because it is down.
      {"press", [&] { Mouse(b, QEvent::MouseButtonPress, in); }, {Frame::kSunken, true, true, true, true}, &hot, {1, 1}, 0},
      {"release", [&] { Mouse(b, QEvent::MouseButtonRelease, in); }, {Frame::kRaised, true, false, true, false}, &hot, {}, 1},
      {"press focused", [&] { Mouse(b, QEvent::MouseButtonPress, in); }, {Frame::kSunken, false, true, true, false}, &hot, {1, 1}, 1},
      {"release focused", [&] { Mouse(b, QEvent::MouseButtonRelease, in); }, {Frame::kRaised, true, false, true, false}, &hot, {}, 2},
      {"double-click", [&] { Mouse(b, QEvent::MouseButtonDblClick, in); }, {Frame::kFlat, true, true, true, false}, &hot, {1, 1}, 2},
      {"its release", [&] { Mouse(b, QEvent::MouseButtonRelease, in); }, {Frame::kRaised, true, false, true, false}, &hot, {}, 3},
      {"focus away", [&] { owner.other->setFocus(Qt::TabFocusReason); }, {Frame::kFlat, false, false, false, false}, &normal, {}, 3},
      // A release over it whose press was elsewhere still clicks, and takes the focus.
      {"stray release", [&] { Mouse(b, QEvent::MouseButtonRelease, in); }, {Frame::kRaised, true, false, true, false}, &hot, {}, 4},
      {"enter focused", [&] { Mouse(b, QEvent::MouseMove, in); }, {Frame::kRaised, true, false, true, true}, &hot, {}, 4},
      // The focused look stays when the mouse goes; the frame does not.
      {"leave focused", [&] { Mouse(b, QEvent::MouseMove, out); }, {Frame::kFlat, false, false, true, false}, &hot, {}, 4},
      // Dragging off lets the mouse go: the release outside is no click.
      {"enter to drag", [&] { Mouse(b, QEvent::MouseMove, in); }, {Frame::kRaised, true, false, true, true}, &hot, {}, 4},
      {"press to drag", [&] { Mouse(b, QEvent::MouseButtonPress, in); }, {Frame::kSunken, false, true, true, true}, &hot, {1, 1}, 4},
      {"drag off", [&] { Mouse(b, QEvent::MouseMove, out, Qt::LeftButton); }, {Frame::kFlat, false, false, true, false}, &hot, {}, 4},
      {"drag outside", [&] { Mouse(b, QEvent::MouseMove, out + QPoint(0, 3), Qt::LeftButton); }, {Frame::kFlat, false, false, true, false}, &hot, {}, 4},
      {"release off", [&] { Mouse(b, QEvent::MouseButtonRelease, out); }, {Frame::kFlat, false, false, true, false}, &hot, {}, 4},
      {"drag back", [&] { Mouse(b, QEvent::MouseMove, in, Qt::LeftButton); }, {Frame::kSunken, true, true, true, true}, &hot, {1, 1}, 4},
      {"release on it", [&] { Mouse(b, QEvent::MouseButtonRelease, in); }, {Frame::kRaised, true, false, true, false}, &hot, {}, 5},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.step);
    s.act();
    ExpectLook(button, s.look);
    EXPECT_TRUE(shows(*s.picture, s.shift));
    EXPECT_EQ(owner.commands.size(), s.clicks);
  }
  for (const auto& command : owner.commands) {
    EXPECT_EQ(command.controlId, kId);
    EXPECT_EQ(command.notifyCode, BN_CLICKED);
    EXPECT_EQ(command.sender, b);
  }
}

TEST(HoverButton, ClickIsSentBeforeTheReleaseReturns) {
  ScopedResourceModule scope(&orvane::resources::TarrowResources());
  Owner owner({95, 26});
  CHoverBitmapButton button;
  ASSERT_TRUE(button.SubclassDlgItem(kId, &owner));
  ASSERT_TRUE(button.LoadHoverBitmaps(213, 221, 213));
  Mouse(owner.control, QEvent::MouseMove, {5, 5});
  Mouse(owner.control, QEvent::MouseButtonPress, {5, 5});
  EXPECT_TRUE(owner.commands.empty()) << "nothing on the press";
  Mouse(owner.control, QEvent::MouseButtonRelease, {5, 5});
  EXPECT_EQ(owner.commands.size(), 1u);
  orvane::test::PumpFor(20);
  EXPECT_EQ(owner.commands.size(), 1u) << "and nothing posted besides";
  // The grab is given up for the owner's handler; a leave still flattens it.
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  owner.other->setFocus();
  Mouse(owner.control, QEvent::MouseMove, {5, 5});
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(owner.control, &leave);
  EXPECT_EQ(button.frame(), Frame::kRaised) << "grabbed again: the move decides";
  Mouse(owner.control, QEvent::MouseMove, {-3, 5});
  EXPECT_EQ(button.frame(), Frame::kFlat);
}

TEST(HoverButton, GivesTheMouseBackWhenDestroyedOrAttachedAgain) {
  ScopedResourceModule scope(&orvane::resources::TarrowResources());
  Owner owner({95, 26});
  {
    CHoverBitmapButton button;
    ASSERT_TRUE(button.SubclassDlgItem(kId, &owner));
    Mouse(owner.control, QEvent::MouseMove, {5, 5});
    ASSERT_EQ(QWidget::mouseGrabber(), owner.control);
  }
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr) << "a grab outliving its button";
  CHoverBitmapButton button;
  ASSERT_TRUE(button.SubclassDlgItem(kId, &owner));
  Mouse(owner.control, QEvent::MouseMove, {5, 5});
  ASSERT_TRUE(button.tracking());
  ASSERT_TRUE(button.SubclassDlgItem(kId, &owner));
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  EXPECT_FALSE(button.tracking());
  EXPECT_EQ(button.frame(), Frame::kFlat);
}

TEST(HoverButton, DisabledAndLayoutModesPlaceThePicture) {
  ScopedResourceModule scope(&orvane::resources::TarrowResources());
  Owner owner({95, 26}, "");
  CHoverBitmapButton button;
  ASSERT_TRUE(button.SubclassDlgItem(kId, &owner));
  // A disabled face unlike the others, so the test sees which one is drawn.
  ASSERT_TRUE(button.LoadHoverBitmaps(213, 221, 214));
  QWidget* b = owner.control;
  const QImage normal = orvane::ui::LoadBitmapImage(213);
  const QImage disabled = orvane::ui::LoadBitmapImage(214);
  const int textHeight = QFontMetrics(b->font()).height();
  const struct {
    int mode;
    QPoint destination, source;
    QSize size;
  } layouts[] = {
      {1, {0, 0}, {0, 1}, {95, 26}},            // left, middle rows
      {0, {5, 0}, {0, 1}, {90, 26}},            // after an empty caption and the gap
      {2, {0, 0}, {2, 0}, {95, 26}},            // middle columns, from the top
      {3, {0, textHeight + 5}, {2, 0}, {95, 26 - textHeight - 5}},
      {7, {0, 0}, {0, 1}, {95, 26}},            // unknown modes draw as 1
  };
  for (const auto& l : layouts) {
    SCOPED_TRACE(l.mode);
    button.SetImageLayout(l.mode);
    EXPECT_TRUE(HasPicture(Shot(b), normal, l.destination, l.source, l.size));
  }
  button.SetImageLayout(1);
  Mouse(b, QEvent::MouseMove, {10, 10});
  Mouse(b, QEvent::MouseButtonPress, {10, 10});
  ASSERT_TRUE(button.buttonDown());
  b->setEnabled(false);
  EXPECT_TRUE(HasPicture(Shot(b), disabled, {0, 0}, {0, 1}, {95, 26})) << "held down, not shifted";
  Mouse(b, QEvent::MouseButtonRelease, {10, 10});
  EXPECT_TRUE(owner.commands.empty()) << "a disabled window gets no mouse input";
}

TEST(HoverButton, DisabledCaptionIsEmbossed) {
  ScopedResourceModule scope(&orvane::resources::TarrowResources());
  Owner owner({200, 26}, "mail");
  CHoverBitmapButton button;
  ASSERT_TRUE(button.SubclassDlgItem(kId, &owner));
  ASSERT_TRUE(button.LoadHoverBitmaps(215, 224, 215));
  button.SetImageLayout(1);
  QWidget* b = owner.control;
  // The darkest and lightest grey of the caption area (the text is smoothed).
  auto captionRange = [&] {
    const QImage shot = Shot(b);
    int darkest = 255, lightest = 0;
    for (int y = 1; y < 25; ++y)
      for (int x = 104; x < 199; ++x) {
        darkest = std::min(darkest, qGray(shot.pixel(x, y)));
        lightest = std::max(lightest, qGray(shot.pixel(x, y)));
      }
    return std::pair(darkest, lightest);
  };
  const QPalette& p = b->palette();
  const int face = qGray(p.button().color().rgb());
  const int shadow = qGray(p.dark().color().rgb());
  ASSERT_LT(shadow + 16, face);
  EXPECT_LT(captionRange().first, shadow - 32) << "window-frame caption";
  b->setEnabled(false);
  const auto [darkest, lightest] = captionRange();
  EXPECT_GT(lightest, face) << "highlight copy at (1, 1)";
  EXPECT_NEAR(darkest, shadow, 8) << "shadow caption";
}
