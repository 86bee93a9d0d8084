// CDialog: a modal dialog made from a template of the current resource
// module. Buttons 1 (IDOK) and 2 (IDCANCEL) end it through OnOK and OnCancel;
// Esc and closing the window count as Cancel. Subclasses wire their own
// controls in OnInitDialog, when the template's widgets exist.
#pragma once

#include <QDialog>

#include "platform/system/wintypes.h"

namespace orvane::ui {

class CDialog : public QDialog {
 public:
  CDialog(int templateId, QWidget* parent);

  // Builds the template's controls, runs OnInitDialog and the dialog's own
  // loop; the code EndDialog was given, or -1 when the template is missing.
  int DoModal();
  // The modeless form: builds the template's controls into client (the
  // dialog itself when null) and runs OnInitDialog; the dialog is not shown.
  // FALSE when the template is missing or it was built already.
  BOOL Create(QWidget* client = nullptr);
  void EndDialog(int result);

  int templateId() const { return m_templateId; }

 protected:
  virtual BOOL OnInitDialog() { return TRUE; }
  virtual void OnOK();
  virtual void OnCancel();

  // Esc and the window's close button.
  void reject() override { OnCancel(); }
  // Placed as the program places it, then moved in where that is off screen.
  void showEvent(QShowEvent* event) override;

 private:
  bool Build(QWidget* client);

  int m_templateId;
  bool m_built = false;
};

}  // namespace orvane::ui
