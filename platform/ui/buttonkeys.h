// Keys that press a window's buttons, for a user without a mouse: the key
// clicks the button (as a click would, so only while it is enabled and
// shown) from anywhere in the windows given, and the button's accessible
// description says which key it is. GUI thread only.
#pragma once

#include <QKeySequence>
#include <initializer_list>

class QAbstractButton;
class QWidget;

namespace orvane::ui {

void BindButtonKey(QAbstractButton* button, const QKeySequence& key,
                   std::initializer_list<QWidget*> windows);

// The key a button was given, for its accessible description ("" for none).
QString ButtonKeyText(const QWidget* button);

}  // namespace orvane::ui
