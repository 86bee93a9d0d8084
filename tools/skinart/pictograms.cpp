#include "tools/skinart/pictograms.h"

#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

namespace skinart {

namespace {

// Works in a unit square (0..1) mapped onto the box, so each symbol is
// written once and stays proportioned at 12 and at 59 pixels alike.
class Unit {
 public:
  Unit(QPainter& painter, const QRectF& box, const QColor& colour)
      : m_painter(painter), m_colour(colour) {
    const double side = std::min(box.width(), box.height());
    m_side = side;
    m_origin = QPointF(box.center().x() - side / 2, box.center().y() - side / 2);
  }
  QPointF P(double x, double y) const { return m_origin + QPointF(x * m_side, y * m_side); }
  QRectF R(double x, double y, double w, double h) const {
    return QRectF(P(x, y), QSizeF(w * m_side, h * m_side));
  }
  double L(double v) const { return v * m_side; }
  // Stroke width in units, never thinner than about one pixel.
  QPen Pen(double width) const {
    QPen pen(m_colour, std::max(1.1, width * m_side));
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
  }
  void Stroke(double width) {
    m_painter.setPen(Pen(width));
    m_painter.setBrush(Qt::NoBrush);
  }
  void Fill() {
    m_painter.setPen(Qt::NoPen);
    m_painter.setBrush(m_colour);
  }
  QPainter& p() { return m_painter; }
  const QColor& colour() const { return m_colour; }

 private:
  QPainter& m_painter;
  QColor m_colour;
  QPointF m_origin;
  double m_side = 0;
};

void Camera(Unit& u) {
  u.Fill();
  QPainterPath body;
  body.addRoundedRect(u.R(0.08, 0.3, 0.84, 0.52), u.L(0.09), u.L(0.09));
  QPainterPath hump;
  hump.addRoundedRect(u.R(0.32, 0.19, 0.36, 0.2), u.L(0.05), u.L(0.05));
  QPainterPath lens;
  lens.addEllipse(u.P(0.5, 0.56), u.L(0.17), u.L(0.17));
  u.p().drawPath((body | hump) - lens);
  u.p().drawEllipse(u.P(0.5, 0.56), u.L(0.09), u.L(0.09));
}

void Gear(Unit& u) {
  QPainterPath teeth;
  const int count = 8;
  for (int i = 0; i < count; ++i) {
    const double a = 2 * std::numbers::pi * i / count;
    QTransform t;
    t.translate(u.P(0.5, 0.5).x(), u.P(0.5, 0.5).y());
    t.rotateRadians(a);
    QPainterPath tooth;
    tooth.addRoundedRect(QRectF(-u.L(0.075), -u.L(0.44), u.L(0.15), u.L(0.2)), u.L(0.03),
                         u.L(0.03));
    teeth.addPath(t.map(tooth));
  }
  QPainterPath ring;
  ring.addEllipse(u.P(0.5, 0.5), u.L(0.31), u.L(0.31));
  QPainterPath hole;
  hole.addEllipse(u.P(0.5, 0.5), u.L(0.13), u.L(0.13));
  u.Fill();
  u.p().drawPath((ring | teeth) - hole);
}

void Timer(Unit& u) {
  u.Stroke(0.085);
  u.p().drawEllipse(u.P(0.5, 0.56), u.L(0.34), u.L(0.34));
  u.p().drawLine(u.P(0.5, 0.56), u.P(0.5, 0.36));
  u.p().drawLine(u.P(0.5, 0.56), u.P(0.64, 0.64));
  u.p().drawLine(u.P(0.42, 0.1), u.P(0.58, 0.1));
  u.p().drawLine(u.P(0.5, 0.1), u.P(0.5, 0.2));
  u.p().drawLine(u.P(0.78, 0.24), u.P(0.84, 0.3));
}

void Envelope(Unit& u) {
  u.Stroke(0.08);
  u.p().drawRoundedRect(u.R(0.1, 0.24, 0.8, 0.54), u.L(0.06), u.L(0.06));
  QPolygonF flap{u.P(0.13, 0.3), u.P(0.5, 0.57), u.P(0.87, 0.3)};
  u.p().drawPolyline(flap);
}

void Eye(Unit& u) {
  QPainterPath outline;
  outline.moveTo(u.P(0.06, 0.5));
  outline.quadTo(u.P(0.5, 0.08), u.P(0.94, 0.5));
  outline.quadTo(u.P(0.5, 0.92), u.P(0.06, 0.5));
  u.Stroke(0.08);
  u.p().drawPath(outline);
  u.Fill();
  u.p().drawEllipse(u.P(0.5, 0.5), u.L(0.15), u.L(0.15));
}

void Pencil(Unit& u) {
  QTransform t;
  t.translate(u.P(0.5, 0.5).x(), u.P(0.5, 0.5).y());
  t.rotate(-45);
  QPainterPath body;
  const double w = u.L(0.18);
  body.addRect(QRectF(-u.L(0.28), -w / 2, u.L(0.5), w));
  QPainterPath tip;
  tip.moveTo(-u.L(0.28), -w / 2);
  tip.lineTo(-u.L(0.44), 0);
  tip.lineTo(-u.L(0.28), w / 2);
  tip.closeSubpath();
  QPainterPath cap;
  cap.addRect(QRectF(u.L(0.26), -w / 2, u.L(0.12), w));
  u.Fill();
  u.p().drawPath(t.map(body | tip | cap));
  // A notch between body and cap keeps the shape readable at 23 pixels.
  u.p().setPen(QPen(QColor(0, 0, 0, 110), std::max(1.0, u.L(0.04))));
  u.p().drawLine(t.map(QPointF(u.L(0.24), -w / 2)), t.map(QPointF(u.L(0.24), w / 2)));
}

void Bin(Unit& u, double shift) {
  u.Fill();
  QPainterPath can;
  can.moveTo(u.P(0.24 + shift, 0.3));
  can.lineTo(u.P(0.76 + shift, 0.3));
  can.lineTo(u.P(0.7 + shift, 0.88));
  can.lineTo(u.P(0.3 + shift, 0.88));
  can.closeSubpath();
  QPainterPath lid;
  lid.addRoundedRect(u.R(0.16 + shift, 0.17, 0.68, 0.09), u.L(0.03), u.L(0.03));
  QPainterPath handle;
  handle.addRoundedRect(u.R(0.4 + shift, 0.09, 0.2, 0.1), u.L(0.03), u.L(0.03));
  QPainterPath grooves;
  for (double x : {0.39, 0.5, 0.61}) grooves.addRect(u.R(x - 0.025 + shift, 0.4, 0.05, 0.38));
  u.p().drawPath((can | lid | handle) - grooves);
}

void BinAll(Unit& u) {
  // A second bin behind the first, drawn faint: "all of them".
  QColor faint = u.colour();
  faint.setAlphaF(0.45);
  Unit back(u.p(), QRectF(u.P(0.14, -0.02), QSizeF(u.L(0.86), u.L(0.86))), faint);
  Bin(back, 0);
  Unit front(u.p(), QRectF(u.P(-0.04, 0.12), QSizeF(u.L(0.88), u.L(0.88))), u.colour());
  Bin(front, 0);
}

void Power(Unit& u) {
  u.Stroke(0.1);
  u.p().drawArc(u.R(0.18, 0.2, 0.64, 0.64), 125 * 16, 290 * 16);
  u.p().drawLine(u.P(0.5, 0.1), u.P(0.5, 0.48));
}

void Info(Unit& u) {
  u.Fill();
  u.p().drawEllipse(u.P(0.5, 0.2), u.L(0.1), u.L(0.1));
  u.p().drawRoundedRect(u.R(0.4, 0.38, 0.2, 0.5), u.L(0.05), u.L(0.05));
}

void Chat(Unit& u) {
  u.Fill();
  QPainterPath big;
  big.addRoundedRect(u.R(0.06, 0.14, 0.6, 0.42), u.L(0.12), u.L(0.12));
  big.moveTo(u.P(0.18, 0.5));
  big.lineTo(u.P(0.14, 0.68));
  big.lineTo(u.P(0.34, 0.54));
  QPainterPath small;
  small.addRoundedRect(u.R(0.38, 0.42, 0.54, 0.38), u.L(0.11), u.L(0.11));
  small.moveTo(u.P(0.8, 0.74));
  small.lineTo(u.P(0.86, 0.92));
  small.lineTo(u.P(0.66, 0.78));
  QPainterPath gap;
  gap.addRoundedRect(u.R(0.33, 0.37, 0.64, 0.48), u.L(0.14), u.L(0.14));
  u.p().drawPath(big.simplified() - gap);
  u.p().drawPath(small.simplified());
}

void Question(Unit& u) {
  u.Stroke(0.12);
  QPainterPath hook;
  hook.moveTo(u.P(0.3, 0.32));
  hook.cubicTo(u.P(0.3, 0.08), u.P(0.72, 0.08), u.P(0.7, 0.32));
  hook.cubicTo(u.P(0.69, 0.46), u.P(0.5, 0.46), u.P(0.5, 0.62));
  u.p().drawPath(hook);
  u.Fill();
  u.p().drawEllipse(u.P(0.5, 0.84), u.L(0.08), u.L(0.08));
}

void Exit(Unit& u) {
  u.Stroke(0.09);
  QPolygonF door{u.P(0.52, 0.3),  u.P(0.52, 0.12), u.P(0.14, 0.12),
                 u.P(0.14, 0.88), u.P(0.52, 0.88), u.P(0.52, 0.7)};
  u.p().drawPolyline(door);
  u.p().drawLine(u.P(0.34, 0.5), u.P(0.88, 0.5));
  u.p().drawPolyline(QPolygonF{u.P(0.72, 0.34), u.P(0.88, 0.5), u.P(0.72, 0.66)});
}

void Sliders(Unit& u) {
  u.Stroke(0.07);
  const double ys[] = {0.24, 0.5, 0.76};
  const double knobs[] = {0.66, 0.34, 0.58};
  for (int i = 0; i < 3; ++i) u.p().drawLine(u.P(0.12, ys[i]), u.P(0.88, ys[i]));
  u.Fill();
  for (int i = 0; i < 3; ++i) u.p().drawEllipse(u.P(knobs[i], ys[i]), u.L(0.1), u.L(0.1));
}

void Folder(Unit& u) {
  u.Fill();
  QPainterPath folder;
  folder.moveTo(u.P(0.08, 0.24));
  folder.lineTo(u.P(0.38, 0.24));
  folder.lineTo(u.P(0.46, 0.32));
  folder.lineTo(u.P(0.92, 0.32));
  folder.lineTo(u.P(0.92, 0.8));
  folder.lineTo(u.P(0.08, 0.8));
  folder.closeSubpath();
  QPainterPath seam;
  seam.addRect(u.R(0.08, 0.4, 0.84, 0.05));
  u.p().drawPath(folder - seam);
}

}  // namespace

void DrawPictogram(QPainter& painter, Pictogram pictogram, const QRectF& box,
                   const QColor& colour) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  Unit u(painter, box, colour);
  switch (pictogram) {
    case Pictogram::kRecord:
      u.Fill();
      u.p().drawEllipse(u.P(0.5, 0.5), u.L(0.32), u.L(0.32));
      break;
    case Pictogram::kStop:
      u.Fill();
      u.p().drawRoundedRect(u.R(0.22, 0.22, 0.56, 0.56), u.L(0.08), u.L(0.08));
      break;
    case Pictogram::kCamera: Camera(u); break;
    case Pictogram::kGear: Gear(u); break;
    case Pictogram::kTimer: Timer(u); break;
    case Pictogram::kEnvelope: Envelope(u); break;
    case Pictogram::kEye: Eye(u); break;
    case Pictogram::kPencil: Pencil(u); break;
    case Pictogram::kBin: Bin(u, 0); break;
    case Pictogram::kBinAll: BinAll(u); break;
    case Pictogram::kPower: Power(u); break;
    case Pictogram::kInfo: Info(u); break;
    case Pictogram::kChat: Chat(u); break;
    case Pictogram::kMaximize:
      u.Stroke(0.12);
      u.p().drawRect(u.R(0.2, 0.2, 0.6, 0.6));
      break;
    case Pictogram::kMinimize:
      u.Stroke(0.14);
      u.p().drawLine(u.P(0.22, 0.74), u.P(0.78, 0.74));
      break;
    case Pictogram::kQuestion: Question(u); break;
    case Pictogram::kExit: Exit(u); break;
    case Pictogram::kChevronRight:
      u.Stroke(0.16);
      u.p().drawPolyline(QPolygonF{u.P(0.36, 0.2), u.P(0.66, 0.5), u.P(0.36, 0.8)});
      break;
    case Pictogram::kChevronLeft:
      u.Stroke(0.16);
      u.p().drawPolyline(QPolygonF{u.P(0.64, 0.2), u.P(0.34, 0.5), u.P(0.64, 0.8)});
      break;
    case Pictogram::kSliders: Sliders(u); break;
    case Pictogram::kFolder: Folder(u); break;
  }
  painter.restore();
}

}  // namespace skinart
