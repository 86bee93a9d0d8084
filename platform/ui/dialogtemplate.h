// A dialog template as data: the dialog's caption, style, font and size and
// its controls, all measured in dialog units as the resource compiler wrote
// them. CreateDialogControls (dialogbuilder.h) turns one into Qt widgets.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/system/wintypes.h"

namespace orvane::ui {

enum class ControlKind {
  kButton,           // push button; BS_DEFPUSHBUTTON in the style makes it the default
  kOwnerDrawButton,  // BS_OWNERDRAW button: a bitmap or hover button attaches to it
  kStatic,           // text, frame or bitmap by its SS_ type
  kEdit,
  kCheckBox,
  kRadioButton,  // WS_GROUP on a control starts a new group
  kGroupBox,
  kCustom,  // a window class of the program's own, named in className
};

// Dialog units: x and cx in quarters of the average character width, y and cy
// in eighths of the font height.
struct DialogRect {
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
};

struct DialogControl {
  DialogControl() = default;
  DialogControl(int id_, ControlKind kind_, std::string caption_, DWORD style_, DialogRect rect_,
                std::string className_ = {})
      : id(id_),
        kind(kind_),
        caption(std::move(caption_)),
        style(style_),
        rect(rect_),
        className(std::move(className_)) {}

  int id = -1;  // -1 (IDC_STATIC) for controls nobody addresses
  ControlKind kind = ControlKind::kStatic;
  std::string caption;  // UTF-8; for an SS_BITMAP static the bitmap's id, "#143"
  DWORD style = 0;
  DialogRect rect;
  std::string className;  // kCustom only
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  DWORD style = 0;
  DWORD exStyle = 0;
  std::string fontName;
  int pointSize = 8;
  int cx = 0;  // client size in dialog units
  int cy = 0;
  std::vector<DialogControl> controls;
};

}  // namespace orvane::ui
