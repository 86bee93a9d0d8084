#include "resources/tarrow/tarrowresources.h"

namespace orvane::resources {

const ui::ResourceModule& TarrowResources() {
  static const ui::ResourceModule module{"tarrow", ":/orvane/tarrow", TarrowStrings(),
                                         TarrowMenus(), TarrowDialogs()};
  return module;
}

}  // namespace orvane::resources
