// SubclassedButton: takes over an existing button of a dialog, as window
// subclassing does: the widget, and with it its place, stacking, focus chain,
// tooltip and id, stays the dialog's; this object filters its events.
//
// The object does not own the widget and may outlive it. It is not made a
// child of the widget, so owners can keep it as a plain member.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <QAbstractButton>
class QWidget;

class SubclassedButton : public QObject {
 public:
  SubclassedButton() = default;
  ~SubclassedButton() override;
  SubclassedButton(const SubclassedButton&) = delete;
  SubclassedButton& operator=(const SubclassedButton&) = delete;

  // The button that carries control id id among parent's direct children;
  // null when there is none (or it is no button). GUI thread.
  QAbstractButton* button() const { return m_button; }
  int GetDlgCtrlID() const;

 protected:
  // Subclasses the control; false, with nothing attached, when parent has no
  // button of that id. A control attached before is let go first.
  bool Subclass(int id, QWidget* parent);
  void Unsubclass();
  // BN_CLICKED to the button's parent, sent: its handler has run on return.
  void NotifyClicked();

 private:
  QPointer<QAbstractButton> m_button;
  QMetaObject::Connection m_clicked;
};
