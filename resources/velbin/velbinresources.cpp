#include "resources/velbin/velbinresources.h"

namespace orvane::resources {

const ui::ResourceModule& VelbinResources() {
  static const ui::ResourceModule module{"velbin", ":/orvane/velbin", VelbinStrings(),
                                         VelbinMenus(), VelbinDialogs()};
  return module;
}

}  // namespace orvane::resources
