#include "controls/titledpicswnd.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <memory>
#include <vector>

#include "platform/ui/postedmessage.h"
#include "platform/ui/windowstyles.h"
#include "platform/ui/windowtimer.h"
#include "tests/support/commandrecorder.h"
#include "tests/support/eventloop.h"
#include "tests/support/recordingboxes.h"

using orvane::test::RecordingMessageBoxes;
using Look = CTitledPicsWnd::Look;
using Codes = std::vector<int>;

namespace {

constexpr int kId = 1234;
const QColor kBlue(0, 0, 255), kGreen(0, 200, 0), kYellow(255, 255, 0), kRed(255, 0, 0);

using Owner = orvane::test::CommandRecorder;

void Pump(int ms = 0) { orvane::test::PumpFor(ms); }

// A strip as its owners set it up; Velbin's place and cells unless told.
class StripTest : public ::testing::Test {
 protected:
  void Make(const Look& look = Look::Velbin(), int cellW = 46, int cellH = 58,
            QRect rect = QRect(15, 20, 280, 77)) {
    delete m_strip;
    m_pictures.clear();
    m_owner.resize(400, 300);
    m_strip = new CTitledPicsWnd(look);
    const DWORD style = orvane::ui::WS_CHILD | orvane::ui::WS_VISIBLE | orvane::ui::WS_BORDER;
    ASSERT_TRUE(m_strip->Create(nullptr, nullptr, style, rect, &m_owner, kId));
    m_strip->SetStretch(true);
    m_strip->SetCellSize(cellW, cellH);
    m_strip->SetSelection(0);
    m_owner.show();
    m_owner.activateWindow();
    for (int i = 0; i < 100 && !m_owner.isActiveWindow(); ++i) Pump(5);
  }

  // Pictures blue, green, yellow, blue, ...; paths ...\photo00<index>.bmp.
  void Add(int n, int w = 16, int h = 12) {
    for (int i = 0; i < n; ++i) {
      const QColor colours[] = {kBlue, kGreen, kYellow};
      m_pictures.push_back(std::make_unique<QPixmap>(w, h));
      m_pictures.back()->fill(colours[(m_pictures.size() - 1) % 3]);
      const int index = m_strip->GetPictureCount();
      const std::string path =
          "C:\\Lumitrex Images\\Photo\\photo00" + std::to_string(index) + ".bmp";
      EXPECT_EQ(m_strip->AddPicture(m_pictures.back().get(), path), index);
    }
  }

  QImage Grab() { return m_strip->viewport()->grab().toImage(); }

  void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button) {
    QWidget* viewport = m_strip->viewport();
    QMouseEvent event(type, QPointF(at), viewport->mapToGlobal(QPointF(at)), button,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
    QApplication::sendEvent(viewport, &event);
  }
  // What a click (or a double-click) delivers: press, release[, double, release].
  void Click(QPoint at, Qt::MouseButton button, bool twice = false) {
    Mouse(QEvent::MouseButtonPress, at, button);
    Mouse(QEvent::MouseButtonRelease, at, button);
    if (!twice) return;
    Mouse(QEvent::MouseButtonDblClick, at, button);
    Mouse(QEvent::MouseButtonRelease, at, button);
  }

  void Settle() {
    Pump(20);
    m_owner.codes.clear();
    m_owner.commands.clear();
  }

  Owner m_owner;
  CTitledPicsWnd* m_strip = nullptr;  // a child of m_owner
  std::vector<std::unique_ptr<QPixmap>> m_pictures;
};

}  // namespace

TEST(TitledPicsTitle, IsTheNameAfterTheLastSeparator) {
  const std::string korean = std::string(254, 'b') + "\xea\xb0\x80";  // U+AC00 at byte 254
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\Lumitrex Images\\Photo\\photo001.bmp", "photo001.bmp"},
      {"photo001.bmp", "photo001.bmp"},
      {"C:videof01.avi", "videof01.avi"},
      {"C:\\mixed/dirs\\x/vid00001.avi", "vid00001.avi"},
      {"D:\\a.b\\c:d", "d"},
      {"c:\\Lumitrex Images\\video\\", ""},
      {"C:\\" + std::string(300, 'a'), std::string(255, 'a')},
      {"C:\\" + korean, std::string(254, 'b')},  // never half a character
  };
  for (const auto& [path, title] : cases) EXPECT_EQ(CTitledPicsWnd::TitleOf(path), title) << path;
}

TEST_F(StripTest, SetSelectionTakesValidIndexesAndPostsOnChange) {
  Make();
  EXPECT_EQ(m_strip->GetSelection(), -1);  // SetSelection(0) on an empty strip
  Add(3);
  EXPECT_EQ(m_strip->GetSelectedPath(), "");
  EXPECT_EQ(m_strip->GetPathAt(3), "");
  const struct {
    int index, selection;
    Codes codes;
  } cases[] = {{1, 1, {TPN_SELCHANGE}},
               {1, 1, {}},
               {3, 1, {}},
               {-2, 1, {}},
               {-1, -1, {TPN_SELCHANGE}},
               {-1, -1, {}},
               {2, 2, {TPN_SELCHANGE}}};
  for (const auto& c : cases) {
    m_owner.codes.clear();
    m_strip->SetSelection(c.index);
    EXPECT_EQ(m_strip->GetSelection(), c.selection) << c.index;
    EXPECT_TRUE(m_owner.codes.empty()) << "posted, so nothing before the loop runs";
    Pump();
    EXPECT_EQ(m_owner.codes, c.codes) << c.index;
  }
  EXPECT_EQ(m_strip->GetSelectedPath(), "C:\\Lumitrex Images\\Photo\\photo002.bmp");
}

TEST_F(StripTest, ClicksPostTheClickCodeThenTheSelectionChange) {
  Make();
  Add(4);
  Grab();
  const struct {
    int from;
    QPoint at;
    Qt::MouseButton button;
    bool twice;
    int selection;
    Codes codes;
  } cases[] = {
      {0, {2 * 46 + 20, 30}, Qt::LeftButton, false, 2, {TPN_CLICK, TPN_SELCHANGE}},
      {2, {2 * 46 + 5, 5}, Qt::LeftButton, false, 2, {TPN_CLICK}},
      {2, {3 * 46 + 45, 57}, Qt::RightButton, false, 3, {TPN_RCLICK, TPN_SELCHANGE}},
      {0, {46 + 10, 10}, Qt::LeftButton, true, 1, {TPN_CLICK, TPN_SELCHANGE, TPN_DBLCLK}},
      {1, {46 + 10, 10}, Qt::LeftButton, true, 1, {TPN_CLICK, TPN_DBLCLK}},
      {1, {46 + 10, 10}, Qt::RightButton, true, 1, {TPN_RCLICK}},
      {-1, {10, 10}, Qt::LeftButton, false, 0, {TPN_CLICK, TPN_SELCHANGE}},
      {1, {4 * 46 + 3, 10}, Qt::LeftButton, false, 1, {}},  // past the last item
      {1, {10, 60}, Qt::LeftButton, false, 1, {}},          // below the row
  };
  for (const auto& c : cases) {
    m_strip->SetSelection(c.from);
    m_strip->clearFocus();
    Settle();
    Click(c.at, c.button, c.twice);
    EXPECT_EQ(m_strip->GetSelection(), c.selection) << c.at.x() << "," << c.at.y();
    EXPECT_TRUE(m_owner.codes.empty()) << "sent instead of posted";
    EXPECT_TRUE(m_strip->hasFocus()) << "every click takes the focus";
    Pump();
    EXPECT_EQ(m_owner.codes, c.codes) << c.at.x() << "," << c.at.y() << " " << c.button;
    for (const orvane::ui::Command& command : m_owner.commands) {
      EXPECT_EQ(command.controlId, kId);
      EXPECT_EQ(command.sender, m_strip);
    }
  }
}

TEST_F(StripTest, RemovingBringsTheSelectionBackIntoRange) {
  const struct {
    int count, selection, index, n, newCount, newSelection;
    Codes codes;
  } cases[] = {
      {3, 2, 2, 1, 2, 1, {TPN_SELCHANGE}},  // the selected last item
      {3, 0, 0, 1, 2, 0, {}},               // the number stays: now the next item
      {3, 2, 0, 1, 2, 1, {TPN_SELCHANGE}},  // the selected item moved past the end
      {1, 0, 0, 1, 0, -1, {}},              // the only item
      {3, -1, 1, 1, 2, -1, {}},
      {5, 4, 1, 3, 2, 1, {TPN_SELCHANGE}},  // several, selection far past the new end
      {5, 0, 3, 9, 3, 0, {}},               // a run past the end removes what exists
  };
  for (const auto& c : cases) {
    Make();
    Add(c.count);
    m_strip->SetSelection(c.selection);
    Settle();
    m_strip->RemovePictures(c.index, c.n);
    EXPECT_EQ(m_strip->GetPictureCount(), c.newCount);
    EXPECT_EQ(m_strip->GetSelection(), c.newSelection) << c.count << " " << c.selection;
    Pump();
    EXPECT_EQ(m_owner.codes, c.codes) << c.count << " " << c.selection;
  }
  m_strip->RemovePictures(0, 1);  // pictures and paths move up together
  EXPECT_EQ(m_strip->GetPathAt(0), "C:\\Lumitrex Images\\Photo\\photo001.bmp");
  EXPECT_EQ(Grab().pixelColor(20, 10), kGreen);
  m_strip->RemoveAllPictures();
  EXPECT_EQ(m_strip->GetPictureCount(), 0);
  EXPECT_EQ(m_strip->GetSelection(), -1);
  Pump();
  EXPECT_TRUE(m_owner.codes.empty());
}

TEST_F(StripTest, RemovingFromAnEmptyStripSaysSoAndChangesNothing) {
  const std::pair<Look, const char*> cases[] = {{Look::Velbin(), "No file to delete!"},
                                                {Look::Tarrow(), "삭제할 데이타가 없습니다!"}};
  for (const auto& [look, text] : cases) {
    Make(look);
    RecordingMessageBoxes boxes;
    m_strip->RemovePictures(0, 1);
    m_strip->RemoveAllPictures();
    ASSERT_EQ(boxes.boxes().size(), 2u);
    for (const orvane::ui::MessageBoxCall& box : boxes.boxes()) {
      EXPECT_EQ(box.text, text);
      EXPECT_EQ(box.style, MB_OK);
      EXPECT_EQ(box.owner, m_strip);
    }
    Add(1);
    m_strip->RemovePictures(0, 1);
    EXPECT_EQ(boxes.boxes().size(), 2u);
  }
}

TEST_F(StripTest, StretchModeFillsEachCellAboveItsCentredTitle) {
  Make();
  Add(3);
  const int th = m_strip->TextHeight();
  ASSERT_GT(th, 0);
  ASSERT_LE(th, 8);
  const QImage image = Grab();
  const int bottom = 2 + 54 - 2 * th - 1;  // the picture's last row
  const QColor colours[] = {kBlue, kGreen, kYellow};
  for (int col = 0; col < 3; ++col) {
    const int left = col * 46 + 2, right = col * 46 + 43;
    EXPECT_EQ(image.pixelColor(left, 2), colours[col]) << col;
    EXPECT_EQ(image.pixelColor(right, bottom), colours[col]) << col;
    EXPECT_NE(image.pixelColor(right + 1, 10), colours[col]) << col;
    EXPECT_NE(image.pixelColor(left, bottom + 1), colours[col]) << col;
    EXPECT_NE(image.pixelColor(left, 1), colours[col]) << col;
    int minX = 1000, maxX = -1;  // the title's extent on Velbin's black
    for (int y = bottom + 4; y < 58; ++y)
      for (int x = col * 46; x < col * 46 + 46; ++x)
        if (image.pixelColor(x, y) != Qt::black) minX = std::min(minX, x), maxX = std::max(maxX, x);
    ASSERT_GE(maxX, 0) << "no title under item " << col;
    EXPECT_NEAR((minX + maxX) / 2.0, col * 46 + 22.5, 2.0) << col;
  }
  EXPECT_EQ(image.pixelColor(3 * 46 + 20, 20), QColor(Qt::black));
}

TEST_F(StripTest, TheScrollBarNeverCoversTheTitles) {
  // Tarrow's files window: cells higher than what the bar leaves.
  Make(Look::Tarrow(), 120, 120, QRect(0, 0, 485, 126));
  Add(8);
  m_strip->Invalidate();
  Pump(20);
  ASSERT_TRUE(m_strip->horizontalScrollBar()->isVisible());
  const QImage image = Grab();
  const int th = m_strip->TextHeight();
  const int h = image.height();
  ASSERT_LT(h, 120);
  for (int col = 0; col < 3; ++col) {
    // Dark title letters in the lowest title band, none in its last rows
    // (a title cut by the bar runs to the edge).
    bool text = false, cut = false;
    for (int y = h - 2 * th; y < h; ++y)
      for (int x = col * 120; x < col * 120 + 120; ++x) {
        const bool dark = qGray(image.pixel(x, y)) < 96;
        text = text || dark;
        cut = cut || (dark && y >= h - 2);
      }
    EXPECT_TRUE(text && !cut) << "title of item " << col << " under the bar";
  }
}

TEST_F(StripTest, NaturalModeCentresPicturesAtTheirOwnSize) {
  Make(Look::Tarrow(), 120, 120, QRect(0, 0, 380, 130));
  m_strip->SetStretch(false);
  const int th = m_strip->TextHeight();
  ASSERT_GT(th, 8);
  QPixmap small(20, 10), tall(30, 200);  // the tall one exceeds its cell
  small.fill(kBlue);
  tall.fill(kGreen);
  m_strip->AddPicture(&small, "C:\\a\\small.bmp");
  m_strip->AddPicture(&tall, "C:\\a\\tall.bmp");
  m_strip->AddPicture(nullptr, "C:\\a\\missing.bmp");
  const QImage image = Grab();
  const QColor window = m_strip->palette().color(QPalette::Base);
  const int x = 2 + (120 - 20) / 2, y = 2 + (120 - 10 - 2 * th) / 2;
  const struct {
    QPoint at;
    QColor colour;
  } pixels[] = {{{x, y}, kBlue},
                {{x + 19, y + 9}, kBlue},
                {{x - 1, y}, window},
                {{x + 20, y + 9}, window},
                {{x, y - 1}, window},
                {{x, y + 10}, window},
                {{120 + 2 + 45, 2}, kGreen} /* no spare room: starts at the margin */,
                {{120 + 2 + 45, 1}, window}};
  for (const auto& p : pixels)
    EXPECT_EQ(image.pixelColor(p.at), p.colour) << p.at.x() << "," << p.at.y();
  bool title = false;  // the missing picture still has its title
  for (int ty = 0; ty < 120; ++ty)
    for (int tx = 240 + 2; tx < 240 + 118; ++tx) title |= image.pixelColor(tx, ty) != window;
  EXPECT_TRUE(title);
}

TEST_F(StripTest, FrameIsRedWhileFocusedOrRefreshedAndErasedInTheBackground) {
  for (const auto& [look, off] : {std::pair{Look::Velbin(), QColor(Qt::black)},
                                  std::pair{Look::Tarrow(), QColor(Qt::white)}}) {
    {
      QWidget hidden;
      auto* fresh = new CTitledPicsWnd(look);
      fresh->Create(nullptr, nullptr, 0, QRect(0, 0, 100, 70), &hidden, kId);
      EXPECT_EQ(fresh->highlightColour(), fresh->palette().color(QPalette::Base));
      fresh->viewport()->grab();
      EXPECT_EQ(fresh->highlightColour(), kRed) << "after the first paint";
    }
    Make(look);
    Add(3);
    // The frame's colour on all three sides it is checked on.
    auto frameAt = [this](int col) {
      const QImage image = Grab();
      const QColor top = image.pixelColor(col * 46 + 20, 0);
      EXPECT_EQ(image.pixelColor(col * 46 + 1, 20), top);
      EXPECT_EQ(image.pixelColor(col * 46 + 44, 20), top);
      return top;
    };
    Click({46 + 10, 10}, Qt::LeftButton);
    Click({2 * 46 + 10, 10}, Qt::LeftButton);
    Pump();
    EXPECT_EQ(frameAt(2), kRed);
    EXPECT_EQ(frameAt(1), off) << "the old frame is drawn off";
    m_strip->clearFocus();
    EXPECT_EQ(frameAt(2), off) << "losing the focus erases the frame";
    m_strip->setFocus();
    Pump();
    m_strip->Invalidate();
    EXPECT_EQ(frameAt(2), kRed) << "a focused repaint draws it";
    m_strip->clearFocus();
    m_strip->SetSelection(1);
    EXPECT_EQ(frameAt(1), kRed) << "selecting draws the frame, focus or not";
    m_strip->Invalidate();
    EXPECT_NE(frameAt(1), kRed) << "an unfocused repaint does not";
    EXPECT_EQ(SetTimer(m_strip, IDT_REFRAME, IDT_REFRAME_PERIOD), IDT_REFRAME);
    Pump(60);
    EXPECT_EQ(frameAt(1), kRed) << "the refresh timer draws it without the focus";
    EXPECT_EQ(KillTimer(m_strip, IDT_REFRAME), FALSE) << "the timer kills itself";
  }
}

TEST_F(StripTest, ScrollsOneCellPerItemAndRedrawsTheFrameWhenTheUserScrolls) {
  Make();
  Grab();
  QScrollBar* bar = m_strip->horizontalScrollBar();
  EXPECT_EQ(bar->maximum(), 0) << "an empty strip has no range";
  Add(10);
  m_strip->UpdateScrollSizes();
  EXPECT_EQ(bar->maximum(), 460 - m_strip->viewport()->width());
  EXPECT_EQ(bar->pageStep(), 46);
  EXPECT_EQ(m_strip->verticalScrollBar()->maximum(), 0);

  m_strip->SetSelection(9);
  m_strip->Invalidate();
  auto frameOfLast = [&] { return Grab().pixelColor(9 * 46 + 20 - bar->value(), 0); };
  bar->setValue(bar->maximum());  // as an owner scrolls to the end: no frame
  Pump();
  EXPECT_NE(frameOfLast(), kRed);
  bar->setValue(0);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);  // as the user does
  Pump();
  EXPECT_EQ(frameOfLast(), kRed);

  Settle();
  Click({10, 10}, Qt::LeftButton);  // hit testing follows the scroll position
  EXPECT_EQ(m_strip->GetSelection(), (bar->maximum() + 10) / 46);
}

TEST_F(StripTest, AutomaticLayoutKeepsAGridOfAtLeastOneColumn) {
  const int bar = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  // Wide, one picture and a bit, narrower than a picture.
  for (int width : {400, 34 + bar + 4 + 10, 20}) {
    Make(Look::Tarrow(), -1, 50, QRect(0, 0, width, 200));
    Add(9, 30, 20);
    Grab();
    Pump();
    Grab();  // a later paint keeps the grid rather than one row
    const int usable = m_strip->viewport()->width() - bar;
    const int columns = std::max(1, usable / 34);
    EXPECT_EQ(m_strip->columns(), columns) << width;
    EXPECT_EQ(m_strip->cellSize(),
              QSize(usable >= 34 ? usable / columns : 34, 20 + 4 + 2 * m_strip->TextHeight()))
        << width;
    EXPECT_TRUE(width != 400 || columns > 5);
    EXPECT_TRUE(width != 20 || columns == 1);
  }
}
