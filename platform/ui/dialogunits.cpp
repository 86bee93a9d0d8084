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

bool IsArial(const std::string& faceName) {
  return QString::fromStdString(faceName).compare("Arial", Qt::CaseInsensitive) == 0;
}

// The em in pixels Windows asks for: lfHeight = -MulDiv(points, 96, 72).
int EmPixels(int pointSize) { return MulDiv(pointSize > 0 ? pointSize : 8, 96, 72); }

// Arial's design metrics, in units of its 2048-unit em: the Windows ascent
// and descent, and the advances of A..Z then a..z (its metric twins share
// them).
constexpr int kArialEm = 2048;
constexpr int kArialAscent = 1854;
constexpr int kArialDescent = 434;
constexpr int kArialLetterAdvances[52] = {
    1366, 1366, 1479, 1479, 1366, 1251, 1593, 1479, 569,  1024, 1366, 1139, 1706,
    1479, 1593, 1366, 1593, 1479, 1366, 1251, 1479, 1366, 1933, 1366, 1366, 1251,
    1139, 1139, 1024, 1139, 1139, 569,  1139, 1139, 455,  455,  1024, 455,  1706,
    1139, 1139, 1139, 1139, 682,  1024, 569,  1139, 1024, 1479, 1024, 1024, 1024};

}  // namespace

QFont DialogFont(const std::string& faceName, int pointSize) {
  QStringList families{QString::fromStdString(faceName)};
  if (IsArial(faceName))
    families << "Liberation Sans"
             << "Arimo";
  families << "NanumGothic";
  QFont font;
  font.setFamilies(families);
  font.setPixelSize(EmPixels(pointSize));
  return font;
}

DialogBaseUnits TemplateBaseUnits(const std::string& faceName, int pointSize) {
  if (!IsArial(faceName)) return BaseUnitsOf(DialogFont(faceName, pointSize));
  // Each glyph's advance rounded to whole pixels at the em size, as the
  // hinted font gives them; the height is the ascent rounded plus the
  // descent rounded up, as the font's text metrics report it.
  const int em = EmPixels(pointSize);
  int width = 0;
  for (int advance : kArialLetterAdvances) width += MulDiv(advance, em, kArialEm);
  const int ascent = MulDiv(kArialAscent, em, kArialEm);
  const int descent = (kArialDescent * em + kArialEm - 1) / kArialEm;
  return {(width + 26) / 52, ascent + descent};
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
