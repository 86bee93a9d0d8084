#include "tools/skinart/panelpainter.h"

#include <QLinearGradient>
#include <QPainterPath>

namespace skinart {

void DrawRecess(QPainter& p, const QRectF& rect, double radius, const Palette& palette,
                const QColor& fill) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
  // The lit lower-right rim first, then the fill, then the shadowed upper-left.
  p.setPen(QPen(palette.edgeLight, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.translated(0.5, 0.5), radius, radius);
  p.setPen(QPen(palette.edgeDark, 1));
  p.setBrush(fill);
  p.drawRoundedRect(r, radius, radius);
  p.restore();
}

void DrawPlate(QPainter& p, const QRectF& rect, double radius, const Palette& palette) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = rect.adjusted(0.5, 0.5, -0.5, -0.5);
  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  fill.setColorAt(0, palette.panelLight);
  fill.setColorAt(1, palette.panel);
  p.setPen(QPen(palette.edgeDark, 1));
  p.setBrush(fill);
  p.drawRoundedRect(r, radius, radius);
  p.setClipRect(QRectF(r.left(), r.top(), r.width(), radius + 1));
  p.setPen(QPen(palette.edgeLight, 1));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
  p.restore();
}

void DrawButtonWell(QPainter& p, const QRect& button, int margin, const Palette& palette) {
  if (button.isEmpty()) return;
  const QRectF r = QRectF(button).adjusted(-margin, -margin, margin, margin);
  DrawRecess(p, r, std::min(r.width(), r.height()) * 0.26, palette, palette.well);
}

}  // namespace skinart
