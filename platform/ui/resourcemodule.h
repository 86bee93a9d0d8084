// One program's resources: its tables, and the Qt resource folder that holds
// its bitmaps and icons.
//
// Each program links its own module (resources/velbin, resources/tarrow) and
// selects it with SetResourceModule before the first window loads anything.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/system/wintypes.h"
#include "platform/ui/dialogtemplate.h"
#include "platform/ui/menutemplate.h"

namespace orvane::ui {

struct ResourceModule {
  std::string name;  // "velbin"
  // Qt resource folder: bitmaps in <root>/bitmaps/<NAME or number>.bmp,
  // icons in <root>/icons/<number>.png.
  std::string root;
  std::map<UINT, std::string> strings;  // UTF-8
  std::vector<MenuTemplate> menus;
  std::vector<DialogTemplate> dialogs;
};

}  // namespace orvane::ui
