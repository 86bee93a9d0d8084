#include "controls/hoverbitmapbutton.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "platform/ui/resources.h"

namespace {

constexpr int kGap = 5;  // between picture and caption

// Draw3dRect: top and left lines in one colour, right and bottom in the other.
void Draw3dFrame(QPainter& painter, const QRect& rect, const QColor& topLeft,
                 const QColor& bottomRight) {
  if (rect.isEmpty()) return;
  painter.fillRect(rect.left(), rect.top(), rect.width() - 1, 1, topLeft);
  painter.fillRect(rect.left(), rect.top(), 1, rect.height() - 1, topLeft);
  painter.fillRect(rect.right(), rect.top(), 1, rect.height(), bottomRight);
  painter.fillRect(rect.left(), rect.bottom(), rect.width(), 1, bottomRight);
}

}  // namespace

CHoverBitmapButton::~CHoverBitmapButton() { EndTracking(); }

BOOL CHoverBitmapButton::SubclassDlgItem(UINT id, QWidget* parent) {
  EndTracking();
  m_frame = kFlat;
  m_hot = m_buttonDown = m_focused = false;
  if (!Subclass(static_cast<int>(id), parent)) return FALSE;
  // Mouse moves without a button held are how the button sees the mouse come.
  button()->setMouseTracking(true);
  return TRUE;
}

BOOL CHoverBitmapButton::LoadHoverBitmaps(const orvane::ui::ResourceId& normal,
                                          const std::optional<orvane::ui::ResourceId>& hot,
                                          const std::optional<orvane::ui::ResourceId>& disabled) {
  m_normal = m_hotBitmap = m_disabled = QPixmap();
  m_normal = orvane::ui::LoadBitmap(normal);
  if (m_normal.isNull()) return FALSE;
  if (hot) {
    m_hotBitmap = orvane::ui::LoadBitmap(*hot);
    if (m_hotBitmap.isNull()) return FALSE;
  }
  if (disabled) {
    m_disabled = orvane::ui::LoadBitmap(*disabled);
    if (m_disabled.isNull()) return FALSE;
  }
  return TRUE;
}

bool CHoverBitmapButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched != button()) return SubclassedButton::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Paint: Draw(); return true;
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: return OnMouse(event);
    case QEvent::FocusIn: OnSetFocus(); return false;  // the push button's own handling too
    case QEvent::FocusOut: OnKillFocus(); return false;
    case QEvent::Leave:
      // Without the grab (given up for the owner's click handler) the leave
      // comes this way.
      if (QWidget::mouseGrabber() != button() && m_frame != kFlat) Leave();
      return false;
    case QEvent::EnabledChange:
    case QEvent::Hide:
      // A disabled or hidden window loses the capture, as on cancelling a mode.
      if (!button()->isEnabled() || event->type() == QEvent::Hide) EndTracking();
      return false;
    default: return false;
  }
}

bool CHoverBitmapButton::OnMouse(QEvent* event) {
  // A disabled window gets no mouse input: Qt's own handling passes it on.
  if (!button()->isEnabled()) return false;
  auto* mouse = static_cast<QMouseEvent*>(event);
  // Qt keeps handing a held button's moves and release to the widget it went
  // down on. Once this button has let the mouse go (dragged off it), those
  // outside it are not its own: releasing there is no click.
  if (QWidget::mouseGrabber() != button() &&
      !button()->rect().contains(mouse->position().toPoint()))
    return true;
  const bool left = mouse->button() == Qt::LeftButton;
  switch (event->type()) {
    case QEvent::MouseMove: OnMouseMove(*mouse); break;
    case QEvent::MouseButtonPress:
      if (left) OnLeftButtonDown();
      break;
    case QEvent::MouseButtonRelease:
      if (left) OnLeftButtonUp();
      break;
    case QEvent::MouseButtonDblClick:
      if (left) OnLeftButtonDoubleClick();
      break;
    default: break;
  }
  // Kept here: the push button's own pressing would click on its own terms.
  return true;
}

void CHoverBitmapButton::OnMouseMove(const QMouseEvent& event) {
  QAbstractButton* target = button();
  if (m_tracking && QWidget::mouseGrabber() == target && m_frame != kFlat) {
    if (target->rect().contains(event.position().toPoint())) return;
    Leave();
    EndTracking();
    return;
  }
  target->grabMouse();
  m_tracking = true;
  m_buttonDown = (event.buttons() & Qt::LeftButton) != 0;
  m_hot = true;
  m_frame = m_buttonDown ? kSunken : kRaised;
  Repaint();
}

void CHoverBitmapButton::OnLeftButtonDown() {
  m_hot = false;
  m_buttonDown = true;
  if (!button()->hasFocus()) {
    button()->setFocus(Qt::MouseFocusReason);  // the focus handler repaints
    return;
  }
  m_frame = kSunken;
  Repaint();
}

void CHoverBitmapButton::OnLeftButtonUp() {
  m_buttonDown = false;
  m_hot = true;
  if (!button()->hasFocus()) {
    button()->setFocus(Qt::MouseFocusReason);
  } else {
    m_frame = kRaised;
    Repaint();
  }
  // The owner's handler may run a menu or a modal dialog: a grab held across
  // it would keep the mouse from them. The next move over the button grabs again.
  EndTracking();
  NotifyClicked();
}

void CHoverBitmapButton::OnLeftButtonDoubleClick() {
  m_buttonDown = true;
  if (!button()->hasFocus()) {
    button()->setFocus(Qt::MouseFocusReason);
    return;
  }
  m_frame = kSunken;
  Repaint();
  m_frame = kFlat;  // no repaint: the release that follows draws it
}

void CHoverBitmapButton::OnSetFocus() {
  m_focused = true;
  m_frame = m_buttonDown ? kSunken : kRaised;
  m_hot = true;
  Repaint();
}

void CHoverBitmapButton::OnKillFocus() {
  m_frame = kFlat;
  m_focused = false;
  m_hot = false;
  Repaint();
}

void CHoverBitmapButton::Leave() {
  m_frame = kFlat;
  m_buttonDown = false;
  m_hot = false;
  Repaint();
}

void CHoverBitmapButton::EndTracking() {
  m_tracking = false;
  if (button() && QWidget::mouseGrabber() == button()) button()->releaseMouse();
}

void CHoverBitmapButton::Repaint() {
  if (button() && button()->isVisible()) button()->repaint();
}

void CHoverBitmapButton::Draw() {
  QAbstractButton* target = button();
  const QString caption = target->text();
  // The system colours, the same whether the button is enabled or not: the
  // disabled look is drawn here, not taken from the palette's disabled group.
  QPalette colours = target->palette();
  colours.setCurrentColorGroup(QPalette::Active);
  QPainter painter(target);
  const QRect item = target->rect();
  painter.fillRect(item, colours.button());  // the erase of every repaint

  int format = Qt::TextSingleLine;
  switch (m_layout) {
    case 0:
    case 1: format |= Qt::AlignVCenter | Qt::AlignLeft; break;
    case 2: format |= Qt::AlignBottom | Qt::AlignHCenter; break;
    case 3: format |= Qt::AlignTop | Qt::AlignHCenter; break;
    default: format |= Qt::AlignVCenter | Qt::AlignLeft; break;
  }

  switch (m_frame) {
    case kFlat:
      Draw3dFrame(painter, item, colours.button().color(), colours.button().color());
      break;
    case kSunken:
      Draw3dFrame(painter, item, colours.dark().color(), colours.light().color());
      break;
    case kRaised:
      Draw3dFrame(painter, item, colours.light().color(), colours.dark().color());
      break;
  }

  const QPixmap& hotFace = m_hotBitmap.isNull() ? m_normal : m_hotBitmap;
  QColor textColour = colours.windowText().color();
  const QPixmap* picture = &m_normal;
  if (m_focused) {
    textColour = QColor(0, 0, 255);
    picture = &hotFace;
  }
  if (m_hot) picture = &hotFace;

  QRect content = item;
  const bool disabled = !target->isEnabled();
  if (disabled)
    picture = &m_disabled;
  else if (m_buttonDown)
    content.translate(1, 1);

  QRect textRect = content;
  QRect pictureRect = content;
  if (!picture->isNull()) {
    const QFontMetrics metrics(target->font());
    Qt::Orientations axes;
    switch (m_layout) {
      case 0:
        pictureRect.translate(metrics.horizontalAdvance(caption) + kGap, 0);
        axes = Qt::Vertical;
        break;
      case 2: axes = Qt::Horizontal; break;
      case 3:
        pictureRect.translate(0, metrics.height() + kGap);
        axes = Qt::Horizontal;
        break;
      case 1:
      default:
        // Modes outside 0 to 3 are drawn as 1, the one both skins use.
        textRect.translate(static_cast<int>(picture->deviceIndependentSize().width()) + kGap, 0);
        axes = Qt::Vertical;
        break;
    }
    DrawAlignedBitmap(painter, pictureRect, axes, *picture);
  }

  painter.setFont(target->font());
  painter.setClipRect(textRect);
  if (disabled) {
    painter.setPen(colours.light().color());
    painter.drawText(textRect.translated(1, 1), format, caption);
    textColour = colours.dark().color();
  }
  painter.setPen(textColour);
  painter.drawText(textRect, format, caption);
}

void CHoverBitmapButton::DrawAlignedBitmap(QPainter& painter, const QRect& rect,
                                           Qt::Orientations axes, const QPixmap& bitmap) const {
  // Per axis asked for: a bitmap larger than the rectangle shows its middle,
  // a smaller one is centred in it; otherwise both start at the edges. In
  // pixels; a high-resolution bitmap's own pixels are its ratio smaller.
  const QSize size = bitmap.deviceIndependentSize().toSize();
  QPoint source(0, 0);
  QPoint destination = rect.topLeft();
  if (axes & Qt::Horizontal) {
    const int spare = (size.width() - rect.width()) / 2;
    if (spare > 0)
      source.setX(spare);
    else
      destination.rx() -= spare;
  }
  if (axes & Qt::Vertical) {
    const int spare = (size.height() - rect.height()) / 2;
    if (spare > 0)
      source.setY(spare);
    else
      destination.ry() -= spare;
  }
  // A copy of the rectangle's size: only the part inside the bitmap exists.
  const QRect wanted(source, rect.size());
  const QRect available = wanted & QRect(QPoint(0, 0), size);
  if (available.isEmpty()) return;
  orvane::ui::DrawBitmapPart(
      painter, QRect(destination + (available.topLeft() - source), available.size()), bitmap,
      available);
}
