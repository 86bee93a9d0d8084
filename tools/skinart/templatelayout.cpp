#include "tools/skinart/templatelayout.h"

#include "platform/ui/dialogunits.h"

namespace skinart {

TemplateLayout LayoutOf(const orvane::ui::DialogTemplate& dialogTemplate) {
  using namespace orvane::ui;
  const DialogBaseUnits units =
      TemplateBaseUnits(dialogTemplate.fontName, dialogTemplate.pointSize);
  TemplateLayout layout;
  layout.client = MapDialogSize(dialogTemplate.cx, dialogTemplate.cy, units);
  for (const DialogControl& control : dialogTemplate.controls)
    if (control.id != -1) layout.controls.emplace(control.id, MapDialogRect(control.rect, units));
  return layout;
}

QRect Faced(const TemplateLayout& layout, int id, QSize bitmap) {
  auto found = layout.controls.find(id);
  if (found == layout.controls.end()) return {};
  return QRect(found->second.topLeft(), bitmap);
}

}  // namespace skinart
