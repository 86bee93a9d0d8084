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

// The font a template names. "Arial" is rarely on Linux; the fall-backs are
// Arial's metric twins and then NanumGothic (a project dependency), whose
// Latin letters give the same base units as Arial at dialog sizes, so the
// skins' pixel layouts hold.
QFont DialogFont(const std::string& faceName, int pointSize);

// Average width over "A..Za..z", rounded as (width + 26) / 52, and the height.
DialogBaseUnits BaseUnitsOf(const QFont& font);

// Each value mapped on its own, rounded to nearest as MulDiv does.
QRect MapDialogRect(const DialogRect& rect, DialogBaseUnits units);
QSize MapDialogSize(int cx, int cy, DialogBaseUnits units);

}  // namespace orvane::ui
