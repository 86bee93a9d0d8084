#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "tools/skinart/palette.h"
#include "tools/skinart/skins.h"

namespace skinart {

// A camera lens on a dark rounded tile, with the red recording dot.
QImage DrawProgramIcon(const Palette& palette) {
  QImage image(128, 128, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient tile(0, 4, 0, 124);
  tile.setColorAt(0, palette.faceTop);
  tile.setColorAt(1, palette.base);
  p.setPen(QPen(palette.edgeDark, 2));
  p.setBrush(tile);
  p.drawRoundedRect(QRectF(5, 5, 118, 118), 26, 26);

  const QPointF centre(64, 68);
  p.setPen(Qt::NoPen);
  p.setBrush(palette.well);
  p.drawEllipse(centre, 44, 44);
  p.setPen(QPen(palette.accent, 7));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, 36, 36);
  QRadialGradient glass(centre + QPointF(-8, -10), 30);
  glass.setColorAt(0, palette.accent.lighter(140));
  glass.setColorAt(0.35, palette.accent.darker(180));
  glass.setColorAt(1, palette.screen);
  p.setPen(Qt::NoPen);
  p.setBrush(glass);
  p.drawEllipse(centre, 26, 26);
  p.setBrush(QColor(255, 255, 255, 170));
  p.drawEllipse(centre + QPointF(-10, -11), 6, 6);
  p.setBrush(palette.record);
  p.setPen(QPen(palette.edgeDark, 2));
  p.drawEllipse(QPointF(101, 27), 11, 11);
  return image;
}

}  // namespace skinart
