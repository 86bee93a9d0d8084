// What the artwork is drawn on: an image of the bitmap's size in pixels at
// 100%, with as many device pixels per pixel as the drawing scale. At scale
// 2 the same drawing code gives the @2x twin a 200% desktop loads, with
// lines and letters drawn at that resolution rather than enlarged.
#pragma once

#include <QImage>
#include <QRect>

namespace skinart {

void SetDrawingScale(int scale);
int DrawingScale();

// width x height at 100%.
QImage Canvas(int width, int height, QImage::Format format = QImage::Format_RGB32);
inline QImage Canvas(QSize size) { return Canvas(size.width(), size.height()); }

// The image's rectangle at 100%.
QRect LogicalRect(const QImage& image);

}  // namespace skinart
