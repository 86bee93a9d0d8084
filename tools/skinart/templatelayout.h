// Where a dialog template puts its controls, in pixels, with the dialog
// units of the template's font on this machine: the backgrounds are drawn to
// line up with the controls the programs create from the same templates.
#pragma once

#include <QRect>
#include <QSize>
#include <map>

#include "platform/ui/dialogtemplate.h"

namespace skinart {

struct TemplateLayout {
  QSize client;
  std::map<int, QRect> controls;  // by control id; IDC_STATIC controls left out
};

TemplateLayout LayoutOf(const orvane::ui::DialogTemplate& dialogTemplate);

// The control's top-left corner with the size of the bitmap that will face it.
QRect Faced(const TemplateLayout& layout, int id, QSize bitmap);

}  // namespace skinart
