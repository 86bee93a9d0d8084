#include "platform/ui/pathlabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace orvane::ui {

PathLabel::PathLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setWordWrap(false);
}

QRect PathLabel::TextRoom() const {
  return contentsRect().adjusted(margin(), margin(), -margin(), -margin());
}

QString PathLabel::shownText() const {
  return fontMetrics().elidedText(text(), Qt::ElideMiddle, TextRoom().width());
}

bool PathLabel::event(QEvent* event) {
  // A tooltip with the whole path, only when it is shortened.
  if (event->type() == QEvent::ToolTip) setToolTip(shownText() != text() ? text() : QString());
  return QLabel::event(event);
}

void PathLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  drawFrame(&painter);
  const QRect room = TextRoom();
  const QString shown = shownText();
  QStyleOption option;
  option.initFrom(this);
  style()->drawItemText(&painter, room, QStyle::visualAlignment(layoutDirection(), alignment()),
                        option.palette, isEnabled(), shown, foregroundRole());
}

}  // namespace orvane::ui
