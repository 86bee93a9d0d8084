// ViewerDialog's captured-file commands and mail: the strip of this run's
// photos and recordings, and what See, Rename, Delete, Delete all and Mail do
// with its items.
#include <QScrollBar>
#include <algorithm>

#include "dshow_edition/viewerdialog.h"
#include "platform/system/files.h"
#include "platform/system/shell.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/imagefile.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/resources.h"
#include "platform/ui/windowtimer.h"

namespace {

std::string LastThree(const std::string& path) {
  return path.size() >= 3 ? path.substr(path.size() - 3) : path;
}

}  // namespace

int ViewerDialog::FreeThumbnail() const {
  for (int slot = 0; slot < kMaxThumbnails; ++slot)
    if (std::find(m_ItemThumbnails.begin(), m_ItemThumbnails.end(), slot) == m_ItemThumbnails.end())
      return slot;
  return -1;
}

BOOL ViewerDialog::AddCapturedFile(const std::string& path, const std::string& thumbnailPath) {
  if (!m_Strip) return FALSE;
  const std::string kind = LastThree(path);
  const bool recording = kind == "avi" || kind == "AVI";
  QPixmap picture = orvane::ui::LoadBitmapFile(recording ? thumbnailPath : path);
  if (recording && !thumbnailPath.empty()) DeleteFile(thumbnailPath.c_str());
  // The strip holds as many items as there are thumbnails; a file past them
  // is kept on disk and the user told why it is not listed.
  const int slot = FreeThumbnail();
  if (slot < 0) {
    const std::string text = "The strip lists 255 files at most: " + path +
                             " was saved but is not listed. Delete listed files to make room.";
    MessageBox(this, text.c_str(), nullptr, MB_OK | MB_ICONINFORMATION);
    return FALSE;
  }
  m_Thumbnails[static_cast<std::size_t>(slot)] = std::move(picture);
  m_Strip->AddPicture(&m_Thumbnails[static_cast<std::size_t>(slot)], path);
  m_ItemThumbnails.push_back(slot);
  m_Strip->SetSelection(m_ThumbnailCount);
  ++m_ThumbnailCount;
  m_Strip->UpdateScrollSizes();
  m_Strip->horizontalScrollBar()->setValue(m_Strip->horizontalScrollBar()->maximum());
  m_Strip->Invalidate();
  SetTimer(m_Strip, IDT_REFRAME, IDT_REFRAME_PERIOD);
  return TRUE;
}

void ViewerDialog::OnSee() {
  if (!m_Strip || m_Strip->GetPictureCount() == 0) return;
  ShellExecute(nullptr, nullptr, m_Strip->GetSelectedPath().c_str(), nullptr, nullptr,
               SW_SHOWNORMAL);
}

void ViewerDialog::OnRename() {
  if (!m_Strip || m_Strip->GetPictureCount() == 0) return;
  const std::string path = m_Strip->GetPathAt(m_Strip->GetSelection());
  const std::string kind = LastThree(path);
  if (kind != "avi" && kind != "bmp") return;
  const bool avi = kind == "avi";
  CFileDialog dialog(FALSE, avi ? "avi" : "bmp", path.c_str(),
                     OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     avi ? "AVI file(*.avi)|*.avi|" : "BMP file(*.bmp) |*.bmp|", nullptr);
  if (dialog.DoModal() != IDOK) return;
  // A copy never replaces a file, even one the user agreed to overwrite: the
  // copy then fails, and the user hears of it rather than believe it done.
  const std::string target = dialog.GetPathName();
  if (!CopyFile(path.c_str(), target.c_str(), TRUE)) {
    const std::string text = GetLastError() == static_cast<DWORD>(ERROR_FILE_EXISTS)
                                 ? target + " exists already: nothing was copied."
                                 : "The copy to " + target + " could not be written.";
    MessageBox(this, text.c_str(), nullptr, MB_OK | MB_ICONWARNING);
  }
}

void ViewerDialog::OnDelete() {
  if (!m_Strip || m_Strip->GetPictureCount() == 0) return;
  const int index = m_Strip->GetSelection();
  if (index < 0 || index >= static_cast<int>(m_ItemThumbnails.size())) return;
  const std::string path = m_Strip->GetPathAt(index);
  m_Strip->RemovePictures(index, 1);
  const int slot = m_ItemThumbnails[static_cast<std::size_t>(index)];
  m_ItemThumbnails.erase(m_ItemThumbnails.begin() + index);
  m_Thumbnails[static_cast<std::size_t>(slot)] = QPixmap();
  m_Strip->Invalidate();
  DeleteFile(path.c_str());
  SetTimer(m_Strip, IDT_REFRAME, IDT_REFRAME_PERIOD);
  --m_ThumbnailCount;
}

void ViewerDialog::OnDeleteAll() {
  if (!m_Strip || m_Strip->GetPictureCount() == 0) return;
  for (int i = 0; i < m_ThumbnailCount; ++i) {
    m_Strip->SetSelection(i);
    DeleteFile(m_Strip->GetPathAt(m_Strip->GetSelection()).c_str());
  }
  m_Strip->RemoveAllPictures();
  for (QPixmap& thumbnail : m_Thumbnails) thumbnail = QPixmap();
  m_ItemThumbnails.clear();
  m_Strip->Invalidate();
  m_ThumbnailCount = 0;
}

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
