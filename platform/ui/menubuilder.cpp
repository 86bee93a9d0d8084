#include "platform/ui/menubuilder.h"

#include <QAction>
#include <QMenu>

namespace orvane::ui {

namespace {

void AddItems(QMenu& menu, const std::vector<MenuItem>& items) {
  for (const MenuItem& item : items) {
    if (item.separator) {
      menu.addSeparator();
    } else if (item.IsPopup()) {
      QMenu* sub = menu.addMenu(QString::fromStdString(item.text));
      AddItems(*sub, item.popup);
    } else {
      QAction* action = menu.addAction(QString::fromStdString(item.text));
      action->setData(item.id);
    }
  }
}

}  // namespace

PopupMenu::~PopupMenu() { delete m_menu.data(); }

PopupMenu CreatePopupMenu(const MenuItem& popup, QWidget* parent) {
  auto* menu = new QMenu(QString::fromStdString(popup.text), parent);
  AddItems(*menu, popup.popup);
  return PopupMenu(menu);
}

UINT CommandIdOf(const QAction* action) {
  if (!action || action->menu() || action->isSeparator()) return 0;
  return action->data().toUInt();
}

}  // namespace orvane::ui
