#include "tools/skinart/canvas.h"

#include <algorithm>

namespace skinart {

namespace {
int g_scale = 1;
}  // namespace

void SetDrawingScale(int scale) { g_scale = std::max(1, scale); }

int DrawingScale() { return g_scale; }

QImage Canvas(int width, int height, QImage::Format format) {
  QImage image(width * g_scale, height * g_scale, format);
  image.setDevicePixelRatio(g_scale);
  return image;
}

QRect LogicalRect(const QImage& image) {
  return QRect(QPoint(0, 0), image.deviceIndependentSize().toSize());
}

}  // namespace skinart
