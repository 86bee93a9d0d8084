#include <QLinearGradient>
#include <QPainter>

#include "platform/ui/dialogtemplate.h"
#include "resources/velbin/velbinresources.h"
#include "tools/skinart/buttonface.h"
#include "tools/skinart/canvas.h"
#include "tools/skinart/panelpainter.h"
#include "tools/skinart/skins.h"
#include "tools/skinart/templatelayout.h"

namespace skinart {

namespace {

struct Button {
  int id;
  const char* base;
  int side;
  Pictogram pictogram;
  bool hasDisabled;
  bool red = false;
};

// The panel's buttons with their square face sizes; 1019 (Chat) has faces
// but no control.
const Button kButtons[] = {
    {1, "OK", 18, Pictogram::kPower, false},
    {1030, "ABOUT", 18, Pictogram::kInfo, false},
    {1005, "START", 35, Pictogram::kRecord, true, true},
    {1006, "STOP", 35, Pictogram::kStop, false},
    {1007, "PHOTO", 35, Pictogram::kCamera, false},
    {1008, "SET", 35, Pictogram::kGear, false},
    {1028, "SECURITY", 35, Pictogram::kTimer, true},
    {1029, "MAIL", 35, Pictogram::kEnvelope, false},
    {1019, "CHAT", 59, Pictogram::kChat, false},
    {1022, "SEE", 23, Pictogram::kEye, false},
    {1023, "RENAME", 23, Pictogram::kPencil, false},
    {1024, "DELETE", 23, Pictogram::kBin, false},
    {1025, "DELETEALL", 23, Pictogram::kBinAll, false},
};

const orvane::ui::DialogTemplate* Find(const std::vector<orvane::ui::DialogTemplate>& all, int id) {
  for (const auto& t : all)
    if (t.id == id) return &t;
  return nullptr;
}

void AddFaces(ArtSet& art, const Palette& palette) {
  for (const Button& b : kButtons) {
    FaceDesign design{b.pictogram, {}, b.side <= 18 ? 0.62 : 0.56, {}};
    if (b.red) design.glyphColour = palette.record;
    const QSize size(b.side, b.side);
    art.push_back({QString(b.base) + "U", DrawFace(size, FaceState::kUp, design, palette)});
    art.push_back({QString(b.base) + "D", DrawFace(size, FaceState::kDown, design, palette)});
    if (b.hasDisabled)
      art.push_back({QString(b.base) + "X", DrawFace(size, FaceState::kDisabled, design, palette)});
  }
  // The video frame window's two small buttons.
  const FaceDesign maxOrg{Pictogram::kMaximize, {}, 0.8, {}};
  const FaceDesign min{Pictogram::kMinimize, {}, 0.8, {}};
  art.push_back({"MAXORGU", DrawFace({12, 12}, FaceState::kUp, maxOrg, palette)});
  art.push_back({"MAXORGD", DrawFace({12, 12}, FaceState::kDown, maxOrg, palette)});
  art.push_back({"MINU", DrawFace({12, 12}, FaceState::kUp, min, palette)});
  art.push_back({"MIND", DrawFace({12, 12}, FaceState::kDown, min, palette)});
}

// Seven-segment digits: lit segments in the accent, unlit ones faintly, as
// on a display, so the clock reads at 9 x 17.
QImage Digit(int digit, const Palette& palette) {
  static const char* const kLit[] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                     "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};
  QImage image = Canvas(9, 17);
  image.fill(palette.screen);
  QPainter p(&image);
  const QRect segments[7] = {
      {2, 1, 5, 2},   // a: top
      {7, 2, 2, 6},   // b: upper right
      {7, 9, 2, 6},   // c: lower right
      {2, 14, 5, 2},  // d: bottom
      {0, 9, 2, 6},   // e: lower left
      {0, 2, 2, 6},   // f: upper left
      {2, 7, 5, 2},   // g: middle
  };
  QColor off = palette.accent;
  off.setAlpha(38);
  const QString lit = kLit[digit];
  for (int i = 0; i < 7; ++i)
    p.fillRect(segments[i], lit.contains(QChar('a' + i)) ? palette.accent : off);
  return image;
}

QImage Colon(const Palette& palette) {
  QImage image = Canvas(5, 17);
  image.fill(palette.screen);
  QPainter p(&image);
  p.fillRect(QRect(1, 4, 2, 2), palette.accent);
  p.fillRect(QRect(1, 11, 2, 2), palette.accent);
  return image;
}

// Background 139: the panel under the video window. The strip's rectangle
// and the clock's are fixed in pixels; the buttons' come from template 102.
QImage Background(const TemplateLayout& layout, const Palette& palette) {
  QImage image = Canvas(421, 141);
  QPainter p(&image);
  QLinearGradient body(0, 0, 0, 141);
  body.setColorAt(0, palette.panelLight);
  body.setColorAt(0.5, palette.panel);
  body.setColorAt(1, palette.base);
  p.fillRect(LogicalRect(image), body);
  p.setPen(palette.edgeLight);
  p.drawLine(0, 0, 420, 0);
  p.setPen(palette.edgeDark);
  p.drawLine(0, 140, 420, 140);

  p.setFont(LabelFont(7, true));
  p.setPen(palette.glyphDisabled);
  p.drawText(QRectF(294, 6, 47, 12), Qt::AlignCenter, "REC TIME");

  // The deck that carries the six big buttons.
  QRect deck;
  for (int id : {1005, 1006, 1007, 1008, 1028, 1029}) deck |= Faced(layout, id, {35, 35});
  DrawPlate(p, QRectF(deck).adjusted(-7, -4, 7, 4), 8, palette);
  // Picture strip (15,20)-(295,97) and the clock (300,22)-(341,39), over the
  // deck: the strip's lower edge meets the big buttons' tops.
  DrawRecess(p, QRectF(11, 16, 288, 84), 6, palette, palette.well);
  DrawRecess(p, QRectF(298, 20, 43, 21), 3, palette, palette.screen);
  for (const Button& b : kButtons)
    DrawButtonWell(p, Faced(layout, b.id, {b.side, b.side}), 1, palette);

  // Name plate in the free corner right of the deck.
  const QRectF plate(deck.right() + 14, 104, 421 - deck.right() - 22, 28);
  if (plate.width() > 40) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette.accent);
    p.drawRoundedRect(QRectF(plate.left(), plate.top() + 5, 3, plate.height() - 10), 1.5, 1.5);
    p.setFont(LabelFont(12, true));
    p.setPen(palette.glyph);
    p.drawText(plate.adjusted(8, 0, 0, -11), Qt::AlignLeft | Qt::AlignBottom, "ORVANE");
    p.setFont(LabelFont(9, false));
    p.setPen(palette.glyphDisabled);
    p.drawText(plate.adjusted(8, 15, 0, 0), Qt::AlignLeft | Qt::AlignTop, "viewer  velbin");
  }
  return image;
}

// Border 130, cut into eight pieces by the frame window: corners kept, edges
// stretched, so each edge piece is uniform along its stretch direction.
QImage Border(const Palette& palette) {
  QImage image = Canvas(200, 156);
  QPainter p(&image);
  QLinearGradient side(0, 0, 20, 0);
  side.setColorAt(0, palette.panelLight);
  side.setColorAt(1, palette.panel);
  p.fillRect(LogicalRect(image), palette.panel);
  p.fillRect(QRect(0, 0, 20, 156), side);
  QLinearGradient right(180, 0, 200, 0);
  right.setColorAt(0, palette.panel);
  right.setColorAt(1, palette.base);
  p.fillRect(QRect(180, 0, 20, 156), right);
  QLinearGradient top(0, 0, 0, 18);
  top.setColorAt(0, palette.panelLight);
  top.setColorAt(1, palette.panel);
  p.fillRect(QRect(0, 0, 200, 18), top);
  QLinearGradient bottom(0, 138, 0, 156);
  bottom.setColorAt(0, palette.panel);
  bottom.setColorAt(1, palette.base);
  p.fillRect(QRect(0, 138, 200, 18), bottom);
  // Rims: light outside, dark around the video opening.
  p.setPen(palette.edgeLight);
  p.drawLine(0, 0, 199, 0);
  p.drawLine(0, 0, 0, 155);
  p.setPen(palette.edgeDark);
  p.drawLine(199, 0, 199, 155);
  p.drawLine(0, 155, 199, 155);
  p.drawRect(19, 17, 161, 121);
  p.setPen(palette.edgeLight);
  p.drawLine(20, 138, 180, 138);
  p.drawLine(180, 18, 180, 138);
  p.fillRect(QRect(20, 18, 160, 120), palette.screen);
  // Title corner: a lens and the program's name, inside the fixed 55 x 18 piece.
  DrawPictogram(p, Pictogram::kCamera, QRectF(4, 3, 12, 12), palette.accent);
  p.setFont(LabelFont(9, true));
  p.setPen(palette.glyph);
  p.drawText(QRectF(18, 0, 37, 18), Qt::AlignLeft | Qt::AlignVCenter, "Velbin");
  // The recess behind the two small buttons, at (client width - 15, 2) and
  // (client width - 15, 16) with the 3-pixel sizing border.
  DrawRecess(p, QRectF(184, 1, 15, 29), 3, palette, palette.well);
  return image;
}

}  // namespace

ArtSet DrawVelbinSkin() {
  const Palette palette = VelbinPalette();
  const auto dialogs = orvane::resources::VelbinDialogs();
  const TemplateLayout main = LayoutOf(*Find(dialogs, 102));
  ArtSet art;
  AddFaces(art, palette);
  art.push_back({"130", Border(palette)});
  art.push_back({"139", Background(main, palette)});
  for (int d = 0; d < 10; ++d) art.push_back({QString::number(140 + d), Digit(d, palette)});
  art.push_back({"150", Colon(palette)});
  return art;
}

}  // namespace skinart
