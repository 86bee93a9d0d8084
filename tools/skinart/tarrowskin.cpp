#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include "platform/ui/dialogtemplate.h"
#include "resources/tarrow/tarrowresources.h"
#include "tools/skinart/buttonface.h"
#include "tools/skinart/canvas.h"
#include "tools/skinart/panelpainter.h"
#include "tools/skinart/skins.h"
#include "tools/skinart/templatelayout.h"

namespace skinart {

namespace {

// The window's region in window pixels, and where its client area starts:
// a 3-pixel dialog frame and the caption band the region cuts away above y 25.
const QPoint kRegion[] = {
    {3, 42},    {3, 102},   {12, 110},  {12, 190},  {3, 201},   {3, 296},   {10, 303},
    {10, 386},  {22, 398},  {100, 398}, {106, 391}, {271, 391}, {279, 398}, {406, 398},
    {424, 382}, {424, 318}, {412, 308}, {412, 250}, {424, 239}, {424, 180}, {536, 180},
    {536, 50},  {424, 50},  {424, 33},  {414, 25},  {333, 25},  {325, 31},  {260, 31},
    {253, 25},  {71, 25},   {63, 31},   {50, 31},   {41, 25},   {19, 25},   {3, 42},
};
const QPoint kClientOrigin(3, 25);

const orvane::ui::DialogTemplate* Find(const std::vector<orvane::ui::DialogTemplate>& all, int id) {
  for (const auto& t : all)
    if (t.id == id) return &t;
  return nullptr;
}

QPolygonF ClientRegion() {
  QPolygonF polygon;
  for (const QPoint& point : kRegion) polygon << QPointF(point - kClientOrigin);
  return polygon;
}

void AddFace(ArtSet& art, const QString& name, QSize size, FaceState state,
             const FaceDesign& design, const Palette& palette) {
  art.push_back({name, DrawFace(size, state, design, palette)});
}

void AddFaces(ArtSet& art, const Palette& palette) {
  const FaceDesign start{Pictogram::kRecord, palette.record, 0.5, QString::fromUtf8("녹화")};
  const FaceDesign stop{Pictogram::kStop, {}, 0.5, QString::fromUtf8("정지")};
  const FaceDesign snap{Pictogram::kCamera, {}, 0.6, QString::fromUtf8("사진")};
  AddFace(art, "STARTU", {55, 25}, FaceState::kUp, start, palette);
  AddFace(art, "STARTX", {55, 25}, FaceState::kDisabled, start, palette);
  AddFace(art, "STOPU", {56, 25}, FaceState::kUp, stop, palette);
  AddFace(art, "STOPX", {55, 25}, FaceState::kDisabled, stop, palette);
  AddFace(art, "SNAPU", {55, 25}, FaceState::kUp, snap, palette);
  AddFace(art, "SNAPF", {55, 25}, FaceState::kFocus, snap, palette);
  const FaceDesign exit{Pictogram::kExit, {}, 0.7, {}};
  AddFace(art, "EXITU", {19, 18}, FaceState::kUp, exit, palette);
  AddFace(art, "EXITF", {19, 18}, FaceState::kFocus, exit, palette);
  const FaceDesign help{Pictogram::kQuestion, {}, 0.7, {}};
  AddFace(art, "MYHELPU", {19, 17}, FaceState::kUp, help, palette);
  AddFace(art, "MYHELPF", {18, 17}, FaceState::kFocus, help, palette);
  const FaceDesign more{Pictogram::kChevronRight, {}, 0.8, {}};
  const FaceDesign less{Pictogram::kChevronLeft, {}, 0.8, {}};
  AddFace(art, "OPTIONU", {11, 19}, FaceState::kUp, more, palette);
  AddFace(art, "OPTIONX", {11, 19}, FaceState::kDisabled, more, palette);
  AddFace(art, "NOPTIONU", {11, 19}, FaceState::kUp, less, palette);
  AddFace(art, "NOPTIONX", {11, 19}, FaceState::kDisabled, less, palette);
}

// A hover picture: pictogram and label on the option panel's colour; the hot
// one lit in the accent. The button shows it at its left edge and its middle
// rows, about 94 x 26 of the 99 x 28, so the content keeps inside that.
QImage HoverPicture(Pictogram pictogram, const QString& label, bool hot, const Palette& palette) {
  QImage image = Canvas(99, 28);
  image.fill(palette.panel);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  if (hot) {
    QColor glow = palette.accent;
    glow.setAlpha(40);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawRoundedRect(QRectF(2, 3, 88, 22), 5, 5);
    p.setBrush(palette.accent);
    p.drawRoundedRect(QRectF(3, 7, 3, 14), 1.5, 1.5);
  }
  DrawPictogram(p, pictogram, QRectF(10, 6, 16, 16), hot ? palette.accent : palette.glyph);
  p.setFont(LabelFont(12, true));
  p.setPen(hot ? palette.accent.lighter(115) : palette.glyph);
  p.drawText(QRectF(31, 2, 60, 24), Qt::AlignLeft | Qt::AlignVCenter, label);
  return image;
}

void AddHoverPictures(ArtSet& art, const Palette& palette) {
  struct Hover {
    int normal;
    int hot;
    Pictogram pictogram;
    const char* label;
  };
  const Hover hovers[] = {
      {213, 221, Pictogram::kSliders, "설정"},
      {214, 222, Pictogram::kChat, "채팅"},
      {216, 223, Pictogram::kFolder, "저장 폴더"},
      {215, 224, Pictogram::kEnvelope, "메일"},
  };
  for (const Hover& h : hovers) {
    const QString label = QString::fromUtf8(h.label);
    art.push_back({QString::number(h.normal), HoverPicture(h.pictogram, label, false, palette)});
    art.push_back({QString::number(h.hot), HoverPicture(h.pictogram, label, true, palette)});
  }
}

// Where the capture window first appears: a 320 x 240 picture centred in the
// template-sized client area, then moved by the start-up offset (-67, -24).
QRect PreviewRect(const TemplateLayout& layout) {
  const int x = std::max(0, (layout.client.width() - 320) / 2);
  const int y = std::max(0, (layout.client.height() - 240) / 2);
  return QRect(x - 67, y - 24, 320, 240);
}

// Background 143, the picture behind the whole region-shaped window.
QImage Background(const TemplateLayout& layout, const Palette& palette) {
  QImage image = Canvas(532, 376);
  image.fill(palette.base);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QPolygonF region = ClientRegion();
  QPainterPath body;
  body.addPolygon(region);
  body.closeSubpath();

  QLinearGradient fill(0, 0, 0, 376);
  fill.setColorAt(0, palette.panelLight);
  fill.setColorAt(0.45, palette.panel);
  fill.setColorAt(1, palette.base);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(body);
  // The option panel right of x 421 is flat, in the hover pictures' colour.
  p.save();
  p.setClipPath(body);
  p.fillRect(QRectF(421, 25, 112, 130), palette.panel);
  p.setPen(QPen(palette.edgeDark, 1));
  p.drawLine(QPointF(421.5, 25), QPointF(421.5, 155));
  p.restore();
  // Rim along the region's edge: a lit line just inside the dark outline.
  p.setBrush(Qt::NoBrush);
  p.save();
  p.setClipPath(body);
  p.setPen(QPen(palette.edgeLight, 1));
  p.drawPath(body.translated(1.5, 1.5));
  p.restore();
  p.setPen(QPen(palette.edgeDark, 2));
  p.drawPath(body);

  const QRect preview = PreviewRect(layout);
  DrawRecess(p, QRectF(preview).adjusted(-6, -6, 6, 6), 8, palette, palette.screen);

  // The clock (control 1017) is default-coloured text: a light display keeps
  // it legible.
  if (auto clock = layout.controls.find(1017); clock != layout.controls.end()) {
    DrawRecess(p, QRectF(clock->second).adjusted(-4, -2, 4, 2), 4, palette,
               QColor(0xf3, 0xe9, 0xd2));
  }

  // The deck under start, stop and snap.
  QRect deck =
      Faced(layout, 1001, {55, 25}) | Faced(layout, 1002, {56, 25}) | Faced(layout, 1005, {55, 25});
  DrawPlate(p, QRectF(deck).adjusted(-8, -5, 8, 5), 8, palette);
  DrawButtonWell(p, Faced(layout, 1001, {55, 25}), 1, palette);
  DrawButtonWell(p, Faced(layout, 1002, {56, 25}), 1, palette);
  DrawButtonWell(p, Faced(layout, 1005, {55, 25}), 1, palette);
  DrawButtonWell(p, Faced(layout, 1, {19, 18}), 1, palette);
  DrawButtonWell(p, Faced(layout, 1035, {19, 17}), 1, palette);
  DrawButtonWell(p, Faced(layout, 1041, {11, 19}), 1, palette);
  DrawButtonWell(p, Faced(layout, 1043, {11, 19}), 1, palette);

  // Name plate under the preview, left of the deck.
  p.setFont(LabelFont(13, true));
  p.setPen(palette.glyph);
  const QRectF name(preview.left(), deck.top() - 2, deck.left() - preview.left() - 14, 16);
  p.drawText(name, Qt::AlignLeft | Qt::AlignVCenter, "ORVANE");
  p.setFont(LabelFont(9, false));
  p.setPen(palette.accent);
  p.drawText(name.translated(0, 15), Qt::AlignLeft | Qt::AlignVCenter, "viewer  tarrow");
  return image;
}

}  // namespace

ArtSet DrawTarrowSkin() {
  const Palette palette = TarrowPalette();
  const auto dialogs = orvane::resources::TarrowDialogs();
  const TemplateLayout main = LayoutOf(*Find(dialogs, 102));
  ArtSet art;
  AddFaces(art, palette);
  AddHoverPictures(art, palette);
  art.push_back({"143", Background(main, palette)});
  return art;
}

}  // namespace skinart
