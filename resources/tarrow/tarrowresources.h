// Tarrow's resources: dialog templates, strings, menus, and (through the Qt
// resource system, under ":/orvane/tarrow") its bitmaps and icon.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/ui/resourcemodule.h"

namespace orvane::resources {

// The module to hand to orvane::ui::SetResourceModule.
const ui::ResourceModule& TarrowResources();

// The tables the module is made of, one file each.
std::vector<ui::DialogTemplate> TarrowDialogs();
std::map<UINT, std::string> TarrowStrings();
std::vector<ui::MenuTemplate> TarrowMenus();

}  // namespace orvane::resources
