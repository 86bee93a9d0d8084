#include "platform/ui/dialogunits.h"

#include <QFontMetrics>
#include <QStringList>
#include <cstdlib>

namespace orvane::ui {

namespace {

// a * b / c rounded half away from zero, as the Windows MulDiv.
int MulDiv(int a, int b, int c) {
  const long long product = static_cast<long long>(a) * b;
  const long long half = std::llabs(static_cast<long long>(c)) / 2;
  const bool negative = (product < 0) != (c < 0);
  const long long magnitude = (std::llabs(product) + half) / std::llabs(static_cast<long long>(c));
  return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // namespace

QFont DialogFont(const std::string& faceName, int pointSize) {
  QStringList families{QString::fromStdString(faceName)};
  if (QString::fromStdString(faceName).compare("Arial", Qt::CaseInsensitive) == 0)
    families << "Liberation Sans"
             << "Arimo";
  families << "NanumGothic";
  QFont font;
  font.setFamilies(families);
  font.setPointSize(pointSize > 0 ? pointSize : 8);
  return font;
}

DialogBaseUnits BaseUnitsOf(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(width + 26) / 52, metrics.height()};
}

QRect MapDialogRect(const DialogRect& rect, DialogBaseUnits units) {
  return QRect(MulDiv(rect.x, units.cx, 4), MulDiv(rect.y, units.cy, 8),
               MulDiv(rect.cx, units.cx, 4), MulDiv(rect.cy, units.cy, 8));
}

QSize MapDialogSize(int cx, int cy, DialogBaseUnits units) {
  return QSize(MulDiv(cx, units.cx, 4), MulDiv(cy, units.cy, 8));
}

}  // namespace orvane::ui
