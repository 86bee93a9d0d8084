#include "resources/velbin/velbinresources.h"

namespace orvane::resources {

// Tooltips and the sequential-photo refusal. Ids 5 and 6 have no text: the
// Security button's two tooltips are chosen in code, as it is asked for them.
std::map<UINT, std::string> VelbinStrings() {
  return {
      {1, "Start Record"},
      {2, "Stop Record"},
      {3, "Take Photo"},
      {4, "Set Recording Environment"},
      {7, "Send E-Mail"},
      {8, "Chat"},
      {9, "View the selected file."},
      {10, "Rename the selected file"},
      {11, "Delete the seleted file"},
      {12, "Delete all files"},
      {13, "Program information"},
      {14, "On Sequential photo ..."},
  };
}

}  // namespace orvane::resources
