// Dialog units to pixels, by the rule Windows applies to a dialog's font.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <string>

#include "platform/ui/dialogtemplate.h"

namespace orvane::ui {

// Pixels per 4 horizontal and per 8 vertical dialog units.
struct DialogBaseUnits {
  int cx = 0;  // average character width
  int cy = 0;  // font height
};

// The font a template names, at the pixel size Windows gives it at 96 dpi
// (points * 96 / 72, rounded), whatever the desktop's font dpi: the skins
// are bitmaps drawn for that size. "Arial" is rarely on Linux; its metric
// twins (Liberation Sans, a project dependency, then Arimo) stand in, and
// NanumGothic draws the Korean letters.
QFont DialogFont(const std::string& faceName, int pointSize);

// The base units a template's layout was made for. For Arial they follow
// from Arial's own metrics by Windows' rules, so they are the same on every
// machine, whichever fonts it has; other faces are measured (BaseUnitsOf).
DialogBaseUnits TemplateBaseUnits(const std::string& faceName, int pointSize);

// Average width over "A..Za..z", rounded as (width + 26) / 52, and the height.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// Each value mapped on its own, rounded to nearest as MulDiv does.
QRect MapDialogRect(const DialogRect& rect, DialogBaseUnits units);
QSize MapDialogSize(int cx, int cy, DialogBaseUnits units);

}  // namespace orvane::ui
