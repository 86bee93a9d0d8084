// A menu resource as data: a bar of pop-ups, each a list of items.
#pragma once

#include <string>
#include <vector>

#include "platform/system/wintypes.h"

namespace orvane::ui {

struct MenuItem {
  UINT id = 0;       // the WM_COMMAND id; 0 for pop-ups and separators
  std::string text;  // UTF-8, "&" marks the mnemonic
  bool separator = false;
  std::vector<MenuItem> popup;  // the items of a pop-up; empty for a command
  bool IsPopup() const { return !popup.empty(); }
};

struct MenuTemplate {
  int id = 0;
  std::vector<MenuItem> items;  // the pop-ups, by position
};

}  // namespace orvane::ui
