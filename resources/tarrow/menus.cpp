#include "resources/tarrow/tarrowresources.h"

namespace orvane::resources {

std::vector<ui::MenuTemplate> TarrowMenus() {
  using ui::MenuItem;
  return {
      {132,
       {
           MenuItem{
               0,
               "Record",
               false,
               {MenuItem{32771, "소스 ...", false, {}}, MenuItem{32772, "포맷 ...", false, {}},
                MenuItem{32773, "압축 ...", false, {}}, MenuItem{32779, "캡쳐 ...", false, {}}}},
           MenuItem{0,
                    "Link",
                    false,
                    {MenuItem{32776, "NetMeeting", false, {}},
                     MenuItem{32777, "CUSeeMe", false, {}}, MenuItem{32778, "ZENTORA", false, {}}}},
       }},
  };
}

}  // namespace orvane::resources
