// Velbin's resources: dialog templates, strings, menus, and (through the Qt
// resource system, under ":/orvane/velbin") its bitmaps and icon.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/ui/resourcemodule.h"

namespace orvane::resources {

// The module to hand to orvane::ui::SetResourceModule.
const ui::ResourceModule& VelbinResources();

// The tables the module is made of, one file each.
std::vector<ui::DialogTemplate> VelbinDialogs();
std::map<UINT, std::string> VelbinStrings();
std::vector<ui::MenuTemplate> VelbinMenus();

}  // namespace orvane::resources
