#include "resources/velbin/velbinresources.h"

namespace orvane::resources {

std::vector<ui::MenuTemplate> VelbinMenus() {
  using ui::MenuItem;
  return {
      {131,
       {
           // Position 0 holds one empty item that no command shows.
           MenuItem{0, "devices", false, {MenuItem{0, "", false, {}}}},
           MenuItem{
               0,
               "Chat",
               false,
               {MenuItem{32771, "NetMeeting", false, {}}, MenuItem{32772, "CUSeeMe", false, {}}}},
       }},
  };
}

}  // namespace orvane::resources
