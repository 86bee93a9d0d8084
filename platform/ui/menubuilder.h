// Turns a menu resource's pop-up into a QMenu.
//
// Each command's QAction carries its WM_COMMAND id as its data(); a caller
// that tracks the pop-up and wants the command back, as TPM_RETURNCMD does,
// reads it with CommandIdOf from the action QMenu::exec returns.
#pragma once

#include <memory>

#include "platform/system/wintypes.h"
#include "platform/ui/menutemplate.h"

class QAction;
class QMenu;
class QWidget;

namespace orvane::ui {

// A new menu with the pop-up's items, nested pop-ups as submenus. The caller
// owns it; parent only places it (it may be null).
std::unique_ptr<QMenu> CreatePopupMenu(const MenuItem& popup, QWidget* parent);

// The command id of an action made by CreatePopupMenu; 0 for null, for
// submenu entries and separators, as a dismissed menu answers.
UINT CommandIdOf(const QAction* action);

}  // namespace orvane::ui
