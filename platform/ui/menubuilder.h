// Turns a menu resource's pop-up into a QMenu.
//
// Each command's QAction carries its WM_COMMAND id as its data(); a caller
// that tracks the pop-up and wants the command back, as TPM_RETURNCMD does,
// reads it with CommandIdOf from the action QMenu::exec returns.
#pragma once

#include <QPointer>

#include "platform/system/wintypes.h"
#include "platform/ui/menutemplate.h"

class QAction;
class QMenu;
class QWidget;

namespace orvane::ui {

// A pop-up menu held for the caller. The menu is a child of its parent (for
// placement and the parent's look) and so goes with it; otherwise the handle
// deletes it. Either way it is deleted exactly once. Moves, never copies.
class PopupMenu {
 public:
  explicit PopupMenu(QMenu* menu) : m_menu(menu) {}
  ~PopupMenu();
  PopupMenu(PopupMenu&& other) noexcept : m_menu(other.m_menu) { other.m_menu = nullptr; }
  PopupMenu& operator=(PopupMenu&&) = delete;
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  // Null once the parent has deleted the menu.
  QMenu* get() const { return m_menu.data(); }
  QMenu* operator->() const { return m_menu.data(); }
  QMenu& operator*() const { return *m_menu; }

 private:
  QPointer<QMenu> m_menu;
};

// A new menu with the pop-up's items, nested pop-ups as submenus; parent may
// be null. GUI thread.
PopupMenu CreatePopupMenu(const MenuItem& popup, QWidget* parent);

// The command id of an action made by CreatePopupMenu; 0 for null, for
// submenu entries and separators, as a dismissed menu answers.
UINT CommandIdOf(const QAction* action);

}  // namespace orvane::ui
