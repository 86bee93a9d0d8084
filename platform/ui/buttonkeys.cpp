#include "platform/ui/buttonkeys.h"

#include <QAbstractButton>
#include <QPointer>
#include <QShortcut>
#include <QVariant>

namespace orvane::ui {

namespace {
constexpr char kKeyProperty[] = "orvaneButtonKey";
}

void BindButtonKey(QAbstractButton* button, const QKeySequence& key,
                   std::initializer_list<QWidget*> windows) {
  if (!button) return;
  QPointer<QAbstractButton> target(button);
  for (QWidget* window : windows) {
    if (!window) continue;
    auto* shortcut = new QShortcut(key, window);
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, button, [target] {
      if (target && target->isEnabled() && target->isVisible()) target->click();
    });
  }
  button->setProperty(kKeyProperty, key.toString(QKeySequence::NativeText));
  const QString description = button->accessibleDescription();
  if (!description.isEmpty())
    button->setAccessibleDescription(description + " (" + ButtonKeyText(button) + ")");
}

QString ButtonKeyText(const QWidget* button) {
  return button ? button->property(kKeyProperty).toString() : QString();
}

}  // namespace orvane::ui
