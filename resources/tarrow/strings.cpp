#include "resources/tarrow/tarrowresources.h"

namespace orvane::resources {

std::map<UINT, std::string> TarrowStrings() {
  return {
      {101, "Viewer 정보(&A)..."},  // the About item added to the system menu
  };
}

}  // namespace orvane::resources
