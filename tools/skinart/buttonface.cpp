#include "tools/skinart/buttonface.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "tools/skinart/canvas.h"

namespace skinart {

QFont LabelFont(int pixelSize, bool bold) {
  QFont font;
  font.setFamilies({"NanumGothic", "DejaVu Sans"});
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  font.setHintingPreference(QFont::PreferFullHinting);
  return font;
}

QImage DrawFace(QSize size, FaceState state, const FaceDesign& design, const Palette& palette) {
  QImage image = Canvas(size);
  // Corners show the recess colour the backgrounds put behind every button.
  image.fill(palette.well);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF body = QRectF(LogicalRect(image)).adjusted(0.5, 0.5, -0.5, -0.5);
  const double radius = std::min(size.width(), size.height()) * 0.22;
  QPainterPath shape;
  shape.addRoundedRect(body, radius, radius);

  QLinearGradient fill(body.topLeft(), body.bottomLeft());
  QColor glyph = design.glyphColour.value_or(palette.glyph);
  QPointF shift(0, 0);
  switch (state) {
    case FaceState::kUp:
    case FaceState::kFocus:
      fill.setColorAt(0, palette.faceTop);
      fill.setColorAt(1, palette.faceBottom);
      break;
    case FaceState::kDown:
      // Pressed: darker, lit from below, and the symbol sinks by a pixel.
      fill.setColorAt(0, palette.faceBottom.darker(150));
      fill.setColorAt(1, palette.faceBottom.darker(105));
      shift = QPointF(1, 1);
      if (!design.glyphColour) glyph = palette.accent;
      break;
    case FaceState::kDisabled:
      fill.setColorAt(0, palette.panel);
      fill.setColorAt(1, palette.panel);
      glyph = palette.glyphDisabled;
      break;
  }
  p.setPen(QPen(palette.edgeDark, 1));
  p.setBrush(fill);
  p.drawPath(shape);

  const QRectF inner = body.adjusted(1, 1, -1, -1);
  QPainterPath innerShape;
  innerShape.addRoundedRect(inner, radius - 1, radius - 1);
  if (state == FaceState::kUp || state == FaceState::kFocus) {
    // Top highlight: the key stands up from the panel.
    p.save();
    p.setClipRect(QRectF(inner.left(), inner.top(), inner.width(), inner.height() * 0.5));
    QColor light = palette.edgeLight;
    light.setAlpha(200);
    p.setPen(QPen(light, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(innerShape);
    p.restore();
  } else if (state == FaceState::kDown) {
    // Inner shadow along the top and left edges: the key is pushed in.
    p.save();
    p.setClipPath(shape);
    QColor shadow(0, 0, 0, 140);
    p.setPen(QPen(shadow, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(innerShape.translated(1, 1));
    p.restore();
  }
  if (state == FaceState::kFocus) {
    p.setPen(QPen(palette.accent, 1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(innerShape);
  }

  const double side = std::min(size.width(), size.height()) * design.glyphScale;
  QRectF glyphBox(0, 0, side, side);
  if (design.label.isEmpty()) {
    glyphBox.moveCenter(body.center() + shift);
    DrawPictogram(p, design.pictogram, glyphBox, glyph);
  } else {
    const QFont font = LabelFont(std::max(9, size.height() / 2));
    const QFontMetricsF metrics(font);
    const double gap = 3;
    const double total = side + gap + metrics.horizontalAdvance(design.label);
    const double left = body.center().x() - total / 2;
    glyphBox.moveTopLeft(QPointF(left, body.center().y() - side / 2) + shift);
    DrawPictogram(p, design.pictogram, glyphBox, glyph);
    p.setFont(font);
    p.setPen(state == FaceState::kDisabled ? palette.glyphDisabled : palette.glyph);
    const QRectF text(left + side + gap + shift.x(), body.top() + shift.y(), total - side - gap + 2,
                      body.height());
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, design.label);
  }
  return image;
}

}  // namespace skinart
