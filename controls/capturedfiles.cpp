#include "controls/capturedfiles.h"

#include <QScrollBar>
#include <algorithm>
#include <cstdio>

#include "platform/system/files.h"
#include "platform/system/shell.h"
#include "platform/system/winpath.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/imagefile.h"
#include "platform/ui/messagebox.h"
#include "platform/ui/windowtimer.h"

namespace {

std::string LastThree(const std::string& path) {
  return path.size() >= 3 ? path.substr(path.size() - 3) : path;
}

std::string WithPath(const char* format, const std::string& path) {
  const int size = std::snprintf(nullptr, 0, format, path.c_str());
  std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
  std::snprintf(text.data(), text.size() + 1, format, path.c_str());
  return text;
}

}  // namespace

CapturedFiles::~CapturedFiles() {
  // The strip refers to the thumbnails: it goes first.
  delete m_strip;
  m_strip = nullptr;
}

int CapturedFiles::FreeSlot() const {
  for (int slot = 0; slot < kMaxFiles; ++slot)
    if (std::find(m_itemSlots.begin(), m_itemSlots.end(), slot) == m_itemSlots.end()) return slot;
  return -1;
}

BOOL CapturedFiles::Add(const std::string& path, const std::string& thumbnailPath) {
  if (!m_strip) return FALSE;
  const std::string kind = LastThree(path);
  const bool recording = kind == "avi" || kind == "AVI";
  QPixmap picture = orvane::ui::LoadBitmapFile(recording ? thumbnailPath : path);
  if (recording && !thumbnailPath.empty()) DeleteFile(thumbnailPath.c_str());
  const int slot = FreeSlot();
  if (slot < 0) {
    MessageBox(m_owner, WithPath(m_texts.stripFull, path).c_str(), nullptr,
               MB_OK | MB_ICONINFORMATION);
    return FALSE;
  }
  m_thumbnails[static_cast<std::size_t>(slot)] = std::move(picture);
  m_strip->AddPicture(&m_thumbnails[static_cast<std::size_t>(slot)], path);
  m_itemSlots.push_back(slot);
  m_strip->SetSelection(m_count);
  ++m_count;
  m_strip->UpdateScrollSizes();
  m_strip->horizontalScrollBar()->setValue(m_strip->horizontalScrollBar()->maximum());
  m_strip->Invalidate();
  SetTimer(m_strip, IDT_REFRAME, IDT_REFRAME_PERIOD);
  return TRUE;
}

void CapturedFiles::View() {
  if (!m_strip || m_strip->GetPictureCount() == 0) return;
  // Only a file on a drive goes to the desktop's opener: a name a relative
  // save folder made ("https:\\example\\photo000.bmp") would open as an
  // address.
  const std::string path = m_strip->GetSelectedPath();
  if (path.size() < 3 || !orvane::winpath::HasDriveLetter(path) || path[2] != '\\') return;
  ShellExecute(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CapturedFiles::SaveCopy() {
  if (!m_strip || m_strip->GetPictureCount() == 0) return;
  const std::string path = m_strip->GetPathAt(m_strip->GetSelection());
  const std::string kind = LastThree(path);
  if (kind != "avi" && kind != "bmp") return;
  const bool avi = kind == "avi";
  CFileDialog dialog(FALSE, avi ? "avi" : "bmp", path.c_str(),
                     OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                     avi ? m_texts.videoFilter : m_texts.pictureFilter, nullptr);
  if (dialog.DoModal() != IDOK) return;
  // A copy never replaces a file, even one the user agreed to overwrite: the
  // copy then fails, and the user hears of it rather than believe it done.
  const std::string target = dialog.GetPathName();
  if (!CopyFile(path.c_str(), target.c_str(), TRUE)) {
    const bool exists = GetLastError() == static_cast<DWORD>(ERROR_FILE_EXISTS);
    MessageBox(m_owner, WithPath(exists ? m_texts.copyExists : m_texts.copyFailed, target).c_str(),
               nullptr, MB_OK | MB_ICONWARNING);
  }
}

void CapturedFiles::Delete() {
  if (!m_strip || m_strip->GetPictureCount() == 0) return;
  const int index = m_strip->GetSelection();
  if (index < 0 || index >= static_cast<int>(m_itemSlots.size())) return;
  const std::string path = m_strip->GetPathAt(index);
  m_strip->RemovePictures(index, 1);
  const int slot = m_itemSlots[static_cast<std::size_t>(index)];
  m_itemSlots.erase(m_itemSlots.begin() + index);
  m_thumbnails[static_cast<std::size_t>(slot)] = QPixmap();
  m_strip->Invalidate();
  DeleteFile(path.c_str());
  SetTimer(m_strip, IDT_REFRAME, IDT_REFRAME_PERIOD);
  --m_count;
}

void CapturedFiles::DeleteAll() {
  if (!m_strip || m_strip->GetPictureCount() == 0) return;
  for (int i = 0; i < m_count; ++i) {
    m_strip->SetSelection(i);
    DeleteFile(m_strip->GetPathAt(m_strip->GetSelection()).c_str());
  }
  m_strip->RemoveAllPictures();
  for (QPixmap& thumbnail : m_thumbnails) thumbnail = QPixmap();
  m_itemSlots.clear();
  m_strip->Invalidate();
  m_count = 0;
}
