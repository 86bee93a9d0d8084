// Panel decorations shared by the backgrounds: raised plates and the recesses
// the controls sit in.
#pragma once

#include <QPainter>
#include <QRectF>

#include "tools/skinart/palette.h"

namespace skinart {

// A sunken area: fill, shadow on the top and left, light on the bottom and right.
void DrawRecess(QPainter& p, const QRectF& rect, double radius, const Palette& palette,
                const QColor& fill);

// A raised plate with a vertical gradient and a lit top edge.
void DrawPlate(QPainter& p, const QRectF& rect, double radius, const Palette& palette);

// The recess behind a button: its rectangle grown by margin pixels.
void DrawButtonWell(QPainter& p, const QRect& button, int margin, const Palette& palette);

}  // namespace skinart
