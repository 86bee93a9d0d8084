// The shell's folder browser (SHBrowseForFolder and SHGetPathFromIDList) over
// Qt's directory dialog. The chosen folder comes back in Windows form.
#pragma once

#include <optional>
#include <string>

#include "platform/system/wintypes.h"
#include "platform/ui/scopedobserver.h"

constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_DONTGOBELOWDOMAIN = 0x0002;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;

// An item chosen in the browser. Freed by the caller with CoTaskMemFree.
struct ItemIdList;
using PIDLIST_ABSOLUTE = ItemIdList*;
using LPITEMIDLIST = ItemIdList*;

struct BROWSEINFO {
  HWND hwndOwner;
  const ItemIdList* pidlRoot;  // must be null: the browser starts at the desktop
  LPSTR pszDisplayName;        // MAX_PATH bytes; receives the folder's own name
  LPCSTR lpszTitle;
  UINT ulFlags;
  void* lpfn;  // callbacks are not supported; must be null
  INT_PTR lParam;
  int iImage;
};

// Runs the modal browser; null when the user cancels. GUI thread only.
PIDLIST_ABSOLUTE SHBrowseForFolder(BROWSEINFO* info);

// Copies the item's Windows-form path into path (MAX_PATH bytes). FALSE for a
// null item or a path that does not fit.
BOOL SHGetPathFromIDList(const ItemIdList* item, LPSTR path);

namespace orvane::ui {

struct FolderBrowserCall {
  HWND owner = nullptr;
  std::string title;
  UINT flags = 0;
};

// Answers the folder browser instead of the user while installed: a
// Windows-form folder, or nothing for Cancel.
class FolderBrowserObserver {
 public:
  virtual ~FolderBrowserObserver() = default;
  virtual std::optional<std::string> OnBrowseForFolder(const FolderBrowserCall& call) = 0;
};

using ScopedFolderBrowserObserver = ScopedObserver<FolderBrowserObserver>;

}  // namespace orvane::ui
