#include "platform/ui/folderbrowser.h"

#include <QDir>
#include <QFileDialog>
#include <cstring>

#include "platform/system/taskmem.h"
#include "platform/system/winpath.h"

// The item is a task-memory block holding the Windows-form path, so that the
// caller's CoTaskMemFree releases it as on Windows.
struct ItemIdList {
  char path[1];
};

namespace {

std::optional<std::string> AskUser(const orvane::ui::FolderBrowserCall& call) {
  QString start = QString::fromUtf8(orvane::winpath::DriveRoot('C').value_or("/").c_str());
  QString chosen = QFileDialog::getExistingDirectory(
      call.owner, QString::fromUtf8(call.title.c_str()), start,
      QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
  if (chosen.isEmpty()) return std::nullopt;
  return orvane::winpath::FromHost(QDir::cleanPath(chosen).toStdString());
}

}  // namespace

PIDLIST_ABSOLUTE SHBrowseForFolder(BROWSEINFO* info) {
  if (!info) return nullptr;
  orvane::ui::FolderBrowserCall call{info->hwndOwner, info->lpszTitle ? info->lpszTitle : "",
                                     info->ulFlags};
  auto* observer = orvane::ui::CurrentObserver<orvane::ui::FolderBrowserObserver>();
  std::optional<std::string> folder = observer ? observer->OnBrowseForFolder(call) : AskUser(call);
  if (!folder) return nullptr;
  if (info->pszDisplayName) {
    // The folder's own name, as the shell displays it; the root keeps its letter.
    std::string name = *folder;
    while (name.size() > 3 && name.back() == '\\') name.pop_back();
    std::size_t slash = name.rfind('\\');
    if (slash != std::string::npos && name.size() > 3) name = name.substr(slash + 1);
    std::size_t n = std::min<std::size_t>(name.size(), MAX_PATH - 1);
    std::memcpy(info->pszDisplayName, name.data(), n);
    info->pszDisplayName[n] = '\0';
  }
  auto* item = static_cast<ItemIdList*>(CoTaskMemAlloc(folder->size() + 1));
  if (!item) return nullptr;
  std::memcpy(item->path, folder->c_str(), folder->size() + 1);
  return item;
}

BOOL SHGetPathFromIDList(const ItemIdList* item, LPSTR path) {
  if (!item || !path) return FALSE;
  std::size_t n = std::strlen(item->path);
  if (n > MAX_PATH - 1) {
    path[0] = '\0';
    return FALSE;
  }
  std::memcpy(path, item->path, n + 1);
  return TRUE;
}
