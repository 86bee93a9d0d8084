// ViewerDialog's captured-file commands and mail: the strip of this run's
// photos and recordings, and what See, Rename, Delete, Delete all and Mail do
// with its items.
#include "dshow_edition/viewerdialog.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/resources.h"

BOOL ViewerDialog::AddCapturedFile(const std::string& path, const std::string& thumbnailPath) {
  return m_Files.Add(path, thumbnailPath);
}

void ViewerDialog::OnSee() { m_Files.View(); }
void ViewerDialog::OnRename() { m_Files.SaveCopy(); }
void ViewerDialog::OnDelete() { m_Files.Delete(); }
void ViewerDialog::OnDeleteAll() { m_Files.DeleteAll(); }

void ViewerDialog::OnMail() {
  if (SequentialPhoto) {
    AfxMessageBox(orvane::ui::LoadStringResource(14).c_str(), MB_OK);
    return;
  }
  if (Recording) return;
  m_MailLink.SetLinkTarget("mailto:");
  m_MailLink.SetUnderline(true);
  m_MailLink.OpenLink();
}
