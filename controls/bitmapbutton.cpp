#include "controls/bitmapbutton.h"

#include <QAbstractButton>
#include <QEvent>
#include <QFocusEvent>
#include <QPainter>

#include "platform/ui/resources.h"

BOOL CBitmapButton::AutoLoad(UINT id, QWidget* parent) {
  if (!Subclass(static_cast<int>(id), parent)) return FALSE;
  if (!LoadBitmaps(button()->text().toStdString())) return FALSE;
  SizeToContent();
  return TRUE;
}

BOOL CBitmapButton::LoadBitmaps(const std::string& caption) {
  static constexpr char kSuffix[] = {'U', 'D', 'F', 'X'};
  for (int face = kUp; face <= kDisabled; ++face)
    m_faces[face] = orvane::ui::LoadBitmap(caption + kSuffix[face]);
  if (button()) button()->update();
  return m_faces[kUp].isNull() ? FALSE : TRUE;
}

void CBitmapButton::SizeToContent() {
  if (button() && !m_faces[kUp].isNull())
    button()->resize(m_faces[kUp].deviceIndependentSize().toSize());
}

const QPixmap& CBitmapButton::FaceFor(bool pressed, bool focused, bool disabled) const {
  if (pressed && !m_faces[kDown].isNull()) return m_faces[kDown];
  if (focused && !m_faces[kFocus].isNull()) return m_faces[kFocus];
  if (disabled && !m_faces[kDisabled].isNull()) return m_faces[kDisabled];
  return m_faces[kUp];
}

bool CBitmapButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == button() && event->type() == QEvent::Paint) {
    Draw();
    return true;  // the push button's own look never shows
  }
  if (watched == button() && event->type() == QEvent::FocusIn) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    m_keyboardFocus = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason;
  }
  return SubclassedButton::eventFilter(watched, event);
}

void CBitmapButton::Draw() {
  QAbstractButton* target = button();
  const QPixmap& chosen = FaceFor(target->isDown(), target->hasFocus(), !target->isEnabled());
  if (chosen.isNull()) return;
  // A face smaller than the button covers only its top-left part; the rest
  // stays unpainted, so the dialog's background shows there.
  QPainter painter(target);
  painter.drawPixmap(QPoint(0, 0), chosen);
  // Reached by the keyboard, a button without a focus face shows the
  // system's dotted focus frame inside its face.
  if (m_keyboardFocus && target->hasFocus() && m_faces[kFocus].isNull()) {
    QPen pen(Qt::white, 1, Qt::DotLine);
    painter.setPen(pen);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const QSize size = chosen.deviceIndependentSize().toSize().boundedTo(target->size());
    painter.drawRect(QRect(QPoint(2, 2), size - QSize(5, 5)));
  }
}
