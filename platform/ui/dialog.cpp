#include "platform/ui/dialog.h"

#include <QAbstractButton>

#include "platform/ui/dialogbuilder.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/resources.h"
#include "platform/ui/windowops.h"
#include "platform/ui/windowstyles.h"

namespace orvane::ui {

CDialog::CDialog(int templateId, QWidget* parent) : QDialog(parent), m_templateId(templateId) {}

bool CDialog::Build(QWidget* client) {
  const DialogTemplate* found = FindDialogTemplate(m_templateId);
  if (!found) return false;
  CreateDialogControls(*found, client);
  if ((found->style & WS_CAPTION) == WS_CAPTION && !(found->style & WS_SYSMENU)) {
    // A caption without a system menu: no close button either.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  }
  if (auto* ok = qobject_cast<QAbstractButton*>(GetDlgItem(client, IDOK)))
    connect(ok, &QAbstractButton::clicked, this, [this] { OnOK(); });
  if (auto* cancel = qobject_cast<QAbstractButton*>(GetDlgItem(client, IDCANCEL)))
    connect(cancel, &QAbstractButton::clicked, this, [this] { OnCancel(); });
  m_built = true;
  return true;
}

int CDialog::DoModal() {
  if (!m_built && !Build(ClientArea(this))) return -1;
  setModal(true);
  OnInitDialog();
  return exec();
}

BOOL CDialog::Create(QWidget* client) {
  if (m_built || !Build(client ? client : ClientArea(this))) return FALSE;
  OnInitDialog();
  return TRUE;
}

void CDialog::EndDialog(int result) { done(result); }

void CDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (isWindow()) KeepInsideScreen(this);
}

void CDialog::OnOK() { EndDialog(IDOK); }

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

}  // namespace orvane::ui
