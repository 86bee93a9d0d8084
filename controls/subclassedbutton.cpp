#include "controls/subclassedbutton.h"

#include <QAbstractButton>
#include <QVariant>

#include "platform/ui/buttonnotify.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/postedmessage.h"

SubclassedButton::~SubclassedButton() { Unsubclass(); }

int SubclassedButton::GetDlgCtrlID() const {
  return m_button ? m_button->property(orvane::ui::kControlIdProperty).toInt() : 0;
}

bool SubclassedButton::Subclass(int id, QWidget* parent) {
  Unsubclass();
  auto* button = qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(parent, id));
  if (!button) return false;
  m_button = button;
  button->installEventFilter(this);
  // Drawn as a picture, it still says what it is: its caption, for a
  // screen reader (and for tests that find controls by name).
  if (button->accessibleName().isEmpty()) button->setAccessibleName(button->text());
  // Space on a focused button (and a dialog's Enter) click it as on any push
  // button; mouse clicks come here too unless a subclass keeps them.
  m_clicked = connect(button, &QAbstractButton::clicked, this, [this] { NotifyClicked(); });
  button->update();
  return true;
}

void SubclassedButton::Unsubclass() {
  disconnect(m_clicked);
  if (m_button) {
    m_button->removeEventFilter(this);
    m_button->update();
  }
  m_button = nullptr;
}

void SubclassedButton::NotifyClicked() {
  if (!m_button) return;
  SendCommand(m_button->parentWidget(), GetDlgCtrlID(), BN_CLICKED, m_button);
}
