#include "controls/titledpicswnd.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "platform/ui/messagebox.h"
#include "platform/ui/postedmessage.h"
#include "platform/ui/windowmessage.h"
#include "platform/ui/windowstyles.h"
#include "platform/ui/windowtimer.h"

namespace {

QSize PictureSize(const QPixmap* picture) {
  return picture && !picture->isNull() ? picture->size() : QSize(0, 0);
}

// Proportional sans serif whose whole line (ascent plus descent) is at most
// height pixels, as a Windows font asked for a cell height of height.
QFont TitleFont(int height) {
  QFont font(QStringLiteral("Sans Serif"));
  font.setStyleHint(QFont::SansSerif, QFont::PreferQuality);
  font.setWeight(QFont::Normal);
  for (int size = std::max(1, height); size >= 1; --size) {
    font.setPixelSize(size);
    if (QFontMetrics(font).height() <= height) break;
  }
  return font;
}

}  // namespace

CTitledPicsWnd::Look CTitledPicsWnd::Look::Velbin() {
  return {8, QColor(Qt::black), true, "No file to delete!"};
}

CTitledPicsWnd::Look CTitledPicsWnd::Look::Tarrow() {
  return {13, QColor(Qt::white), false, "삭제할 데이타가 없습니다!"};
}

CTitledPicsWnd::CTitledPicsWnd(const Look& look) : m_look(look) {
  // Until the first paint the frame is drawn in the window colour.
  m_highlight = palette().color(QPalette::Base);
  setFrameStyle(QFrame::NoFrame);
  // The strip takes the focus itself on a click and has no keyboard use.
  setFocusPolicy(Qt::NoFocus);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  QScrollBar* bar = horizontalScrollBar();
  connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int) {
    // The position is already moved, the value not yet: a real scroll follows.
    if (bar->sliderPosition() != bar->value()) m_userScroll = true;
  });
}

BOOL CTitledPicsWnd::Create(LPCSTR /*className*/, LPCSTR windowName, DWORD style, const QRect& rect,
                            QWidget* parent, UINT id, void* /*context*/) {
  if (m_created || !parent) return FALSE;
  m_titleFont = TitleFont(m_look.titleFontHeight);
  setParent(parent);
  if (windowName) setWindowTitle(QString::fromUtf8(windowName));
  if (style & orvane::ui::WS_BORDER) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);  // two pixels, as a client edge
  }
  setGeometry(rect);
  m_id = static_cast<int>(id);
  m_created = true;
  UpdateScrollSizes();
  if (style & orvane::ui::WS_VISIBLE) show();
  return TRUE;
}

void CTitledPicsWnd::SetCellSize(int width, int height) {
  m_cellWidth = width;
  m_cellHeight = height;
  m_autoLayout = width == -1 || height == -1;
}

int CTitledPicsWnd::TextHeight() const {
  return m_created ? QFontMetrics(m_titleFont).height() : 0;
}

std::string CTitledPicsWnd::TitleOf(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/:");
  std::string title = cut == std::string::npos ? path : path.substr(cut + 1);
  constexpr std::size_t kMaxTitle = 255;
  if (title.size() > kMaxTitle) {
    std::size_t end = kMaxTitle;
    // Step back over continuation bytes to the start of the split character.
    while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80) --end;
    title.resize(end);
  }
  return title;
}

int CTitledPicsWnd::AddPicture(const QPixmap* picture, const std::string& path) {
  m_pictures.push_back(picture);
  m_paths.push_back(path);
  return GetPictureCount() - 1;
}

void CTitledPicsWnd::ReportEmpty() {
  // The window's own box: the application's name as its caption.
  const QByteArray caption = QCoreApplication::applicationName().toUtf8();
  MessageBox(this, m_look.emptyStripText.c_str(), caption.constData(), MB_OK);
}

void CTitledPicsWnd::RemovePictures(int index, int count) {
  if (m_paths.empty()) {
    ReportEmpty();
    return;
  }
  // Only the part of the run that lies inside the list goes.
  const long long size = GetPictureCount();
  const long long first = std::clamp<long long>(index, 0, size);
  const long long last =
      std::clamp<long long>(static_cast<long long>(index) + std::max(0, count), first, size);
  m_pictures.erase(m_pictures.begin() + first, m_pictures.begin() + last);
  m_paths.erase(m_paths.begin() + first, m_paths.begin() + last);
  if (m_paths.empty()) {
    m_selection = -1;
    return;
  }
  // A selection at or past the new end moves to the new last item; any other
  // keeps its number, now the item that moved into its place.
  if (m_selection >= GetPictureCount()) SetSelection(GetPictureCount() - 1);
}

void CTitledPicsWnd::RemoveAllPictures() {
  if (m_paths.empty()) {
    ReportEmpty();
    return;
  }
  m_pictures.clear();
  m_paths.clear();
  m_selection = -1;
}

void CTitledPicsWnd::SetSelection(int index) {
  if (index < -1 || index >= GetPictureCount()) return;
  const int old = m_selection;
  m_selection = index;
  // The old frame stays: owners invalidate and set IDT_REFRAME after a change.
  DrawSelectionFrame(index, true);
  if (index != old) PostCommand(parentWidget(), m_id, TPN_SELCHANGE, this);
}

std::string CTitledPicsWnd::GetPathAt(int index) const {
  if (index < 0 || index >= GetPictureCount()) return {};
  return m_paths[static_cast<std::size_t>(index)];
}

std::string CTitledPicsWnd::GetSelectedPath() const { return GetPathAt(m_selection); }

void CTitledPicsWnd::Invalidate() {
  m_strokes.clear();
  viewport()->update();
}

QPoint CTitledPicsWnd::ScrollPosition() const {
  return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

QRect CTitledPicsWnd::CellRect(int index) const {
  const int col = index % m_columns;
  const int row = index / m_columns;
  const int height = RowHeight();
  return {col * m_cellWidth, row * height, m_cellWidth, height};
}

int CTitledPicsWnd::RowHeight() const {
  // Fixed cells lie in one row that cannot scroll up or down: once the
  // horizontal scroll bar takes its share of the height, the row is as high
  // as what is left, so the titles stay in sight.
  if (m_autoLayout || m_cellHeight <= 0) return m_cellHeight;
  return std::max(1, std::min(m_cellHeight, viewport()->height()));
}

void CTitledPicsWnd::RecalcLayout() {
  if (!m_created || m_pictures.empty()) return;
  int maxWidth = 0;
  int maxHeight = 0;
  for (const QPixmap* picture : m_pictures) {
    const QSize size = PictureSize(picture);
    maxWidth = std::max(maxWidth, size.width());
    maxHeight = std::max(maxHeight, size.height());
  }
  const int usable =
      viewport()->width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  const int columns = usable > 0 ? usable / (maxWidth + 4) : 0;
  // Narrower than one picture: one column as wide as the widest picture.
  m_columns = std::max(1, columns);
  m_cellWidth = columns > 0 ? usable / columns : maxWidth + 4;
  m_cellHeight = maxHeight + 4 + 2 * TextHeight();
}

void CTitledPicsWnd::Layout() {
  // Automatic layout keeps its grid at every paint (the pictures may have
  // changed); fixed cells put all items in one row.
  if (m_autoLayout)
    RecalcLayout();
  else if (m_created && !m_pictures.empty())
    m_columns = GetPictureCount();
}

void CTitledPicsWnd::UpdateScrollSizes() {
  const int count = GetPictureCount();
  const int cellWidth = std::max(0, m_cellWidth);
  const int cellHeight = std::max(0, m_cellHeight);
  int totalWidth = count * cellWidth;
  int totalHeight = 0;
  if (m_autoLayout && count > 0) {
    // A grid scrolls by rows; the usable width already leaves room for the bar.
    totalWidth = m_columns * cellWidth;
    totalHeight = (count + m_columns - 1) / m_columns * cellHeight;
  }
  QScrollBar* h = horizontalScrollBar();
  h->setRange(0, std::max(0, totalWidth - viewport()->width()));
  h->setPageStep(std::max(1, cellWidth));
  h->setSingleStep(std::max(1, cellWidth));
  QScrollBar* v = verticalScrollBar();
  v->setRange(0, std::max(0, totalHeight - viewport()->height()));
  v->setPageStep(std::max(1, cellHeight));
  v->setSingleStep(std::max(1, cellHeight));
}

void CTitledPicsWnd::DrawSelectionFrame(int index, bool on) {
  if (index == -1 || m_columns < 1) return;
  Stroke(index, on ? m_highlight : m_look.frameOff);
  viewport()->update(CellRect(index).translated(-ScrollPosition()));
}

void CTitledPicsWnd::Stroke(int index, const QColor& colour) {
  const QRect cell = CellRect(index);
  // What was drawn last in a cell is what shows.
  auto same = [&cell](const FrameStroke& s) { return s.cell == cell; };
  m_strokes.erase(std::remove_if(m_strokes.begin(), m_strokes.end(), same), m_strokes.end());
  m_strokes.push_back({cell, colour});
}

void CTitledPicsWnd::paintEvent(QPaintEvent* event) {
  // Painting on screen always succeeds here, so from the first paint on the
  // frame is red.
  m_highlight = QColor(255, 0, 0);

  QPainter painter(viewport());
  const QPoint scroll = ScrollPosition();
  const QRect clip = event->rect().translated(scroll);
  painter.translate(-scroll);
  painter.fillRect(clip,
                   m_look.blackBackground ? QColor(Qt::black) : palette().color(QPalette::Base));

  Layout();
  const int th = TextHeight();
  const int rowHeight = RowHeight();
  // Titles keep a device context's defaults: black text on opaque white.
  painter.setFont(m_titleFont);
  painter.setPen(Qt::black);
  painter.setBackground(Qt::white);
  painter.setBackgroundMode(Qt::OpaqueMode);
  const int count = GetPictureCount();
  for (int i = 0; i < count; ++i) {
    const QPixmap* picture = m_pictures[static_cast<std::size_t>(i)];
    const QSize size = PictureSize(picture);
    const int col = i % m_columns;
    const int row = i / m_columns;
    const int cellLeft = m_margin + col * m_cellWidth;
    const int cellTop = m_margin + row * rowHeight;
    QRect target;
    QRect title;
    if (m_stretch) {
      target = QRect(cellLeft, cellTop, m_cellWidth - 2 * m_margin,
                     rowHeight - 2 * m_margin - 2 * th);
      title = QRect(QPoint(target.left(), target.top() + target.height() + 3),
                    QPoint(target.left() + target.width() - 1, cellTop + rowHeight - 1));
    } else {
      // A picture taller than the room above its title starts at the top
      // margin and runs over the title rather than into the row above.
      const int spare = std::max(0, (rowHeight - size.height() - 2 * th) / 2);
      target = QRect(cellLeft + (m_cellWidth - size.width()) / 2, cellTop + spare, size.width(),
                     size.height());
      // The title has the cell's width, so a narrow or missing picture does
      // not clip it.
      title =
          QRect(QPoint(cellLeft, target.top() + size.height() + 3),
                QPoint(cellLeft + m_cellWidth - 2 * m_margin - 1, target.top() + rowHeight - 1));
    }
    if (!target.isEmpty() && target.intersects(clip) && size.width() > 0 && size.height() > 0) {
      if (m_stretch)
        painter.drawPixmap(target, *picture, picture->rect());
      else
        painter.drawPixmap(target.topLeft(), *picture);
    }
    if (title.intersects(clip))
      painter.drawText(title, Qt::AlignCenter | Qt::TextSingleLine,
                       QString::fromStdString(TitleOf(m_paths[static_cast<std::size_t>(i)])));
  }

  UpdateScrollSizes();
  if (!m_frameSuppressed && hasFocus() && m_selection != -1) Stroke(m_selection, m_highlight);
  m_frameSuppressed = false;

  for (const FrameStroke& stroke : m_strokes) {
    if (!stroke.cell.intersects(clip)) continue;
    // Two pixels wide, inside the cell's margin, clear of the picture.
    const QRect& c = stroke.cell;
    painter.fillRect(c.left(), c.top(), c.width(), 2, stroke.colour);
    painter.fillRect(c.left(), c.bottom() - 1, c.width(), 2, stroke.colour);
    painter.fillRect(c.left(), c.top(), 2, c.height(), stroke.colour);
    painter.fillRect(c.right() - 1, c.top(), 2, c.height(), stroke.colour);
  }
}

void CTitledPicsWnd::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  if (m_autoLayout) RecalcLayout();
  UpdateScrollSizes();
  // The whole window is redrawn when its size changes, frame included.
  Invalidate();
}

void CTitledPicsWnd::showEvent(QShowEvent* event) {
  QAbstractScrollArea::showEvent(event);
  m_strokes.clear();
}

void CTitledPicsWnd::Click(const QPoint& point, int code) {
  Layout();
  const QPoint at = point + ScrollPosition();
  const int rowHeight = RowHeight();
  if (m_cellWidth > 0 && rowHeight > 0 && at.x() >= 0 && at.y() >= 0) {
    const int col = at.x() / m_cellWidth;
    const int row = at.y() / rowHeight;
    const long long index = static_cast<long long>(row) * m_columns + col;
    if (col < m_columns && index < GetPictureCount()) {
      if (m_selection != -1) DrawSelectionFrame(m_selection, false);
      const int old = m_selection;
      m_selection = static_cast<int>(index);
      DrawSelectionFrame(m_selection, true);
      PostCommand(parentWidget(), m_id, code, this);
      if (m_selection != old) PostCommand(parentWidget(), m_id, TPN_SELCHANGE, this);
    }
  }
  setFocus(Qt::MouseFocusReason);
}

void CTitledPicsWnd::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton)
    Click(event->position().toPoint(), TPN_CLICK);
  else if (event->button() == Qt::RightButton)
    Click(event->position().toPoint(), TPN_RCLICK);
  // The strip's own clicks stop here, as a window's do.
  event->accept();
}

void CTitledPicsWnd::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Click(event->position().toPoint(), TPN_DBLCLK);
  event->accept();
}

void CTitledPicsWnd::focusInEvent(QFocusEvent* event) {
  // The frame is drawn here; the paint this schedules need not draw it too.
  m_frameSuppressed = true;
  QAbstractScrollArea::focusInEvent(event);
  DrawSelectionFrame(m_selection, true);
}

void CTitledPicsWnd::focusOutEvent(QFocusEvent* event) {
  DrawSelectionFrame(m_selection, false);
  QAbstractScrollArea::focusOutEvent(event);
}

void CTitledPicsWnd::keyPressEvent(QKeyEvent* event) {
  // No keyboard handling: keys go to the parent, not to the scroll bars.
  QWidget::keyPressEvent(event);
}

void CTitledPicsWnd::wheelEvent(QWheelEvent* event) {
  // A single row scrolls sideways under the wheel, as a scroll view does
  // without a vertical bar.
  if (verticalScrollBar()->maximum() == 0) {
    QCoreApplication::sendEvent(horizontalScrollBar(), event);
    return;
  }
  QAbstractScrollArea::wheelEvent(event);
}

void CTitledPicsWnd::scrollContentsBy(int /*dx*/, int /*dy*/) {
  viewport()->update();
  if (m_userScroll) {
    m_userScroll = false;
    OnUserScroll();
  }
}

void CTitledPicsWnd::OnUserScroll() {
  m_frameSuppressed = true;
  DrawSelectionFrame(m_selection, false);
  DrawSelectionFrame(m_selection, true);
  m_frameSuppressed = false;
}

void CTitledPicsWnd::OnTimer() {
  KillTimer(this, IDT_REFRAME);
  DrawSelectionFrame(m_selection, true);
}

bool CTitledPicsWnd::event(QEvent* event) {
  if (event->type() == WindowMessageEvent::EventType() &&
      static_cast<WindowMessageEvent*>(event)->message() == WM_TIMER) {
    OnTimer();
    return true;
  }
  return QAbstractScrollArea::event(event);
}
