// Push-button faces of the skin: one rounded key with a pictogram and an
// optional label, drawn for each state the bitmap buttons show.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>

#include "tools/skinart/palette.h"
#include "tools/skinart/pictograms.h"

namespace skinart {

enum class FaceState { kUp, kDown, kFocus, kDisabled };

struct FaceDesign {
  Pictogram pictogram = Pictogram::kRecord;
  std::optional<QColor> glyphColour;  // the palette's glyph colour when absent
  double glyphScale = 0.56;           // pictogram size against the shorter side
  QString label;                      // drawn right of the pictogram when set
};

QImage DrawFace(QSize size, FaceState state, const FaceDesign& design, const Palette& palette);

// The label font: the Korean texts need NanumGothic, and it is on every
// machine that builds the project.
QFont LabelFont(int pixelSize, bool bold = true);

}  // namespace skinart
