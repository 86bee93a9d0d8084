#include "controls/savedirectorybrowser.h"

#include "platform/system/taskmem.h"
#include "platform/ui/folderbrowser.h"

BOOL BrowseForSaveDirectory(HWND owner, std::string* directory) {
  char name[MAX_PATH] = {};
  BROWSEINFO info{};
  info.hwndOwner = owner;
  info.pszDisplayName = name;
  info.lpszTitle = "Select Save directory";
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  PIDLIST_ABSOLUTE item = SHBrowseForFolder(&info);
  if (!item) return FALSE;
  char path[MAX_PATH] = {};
  const BOOL chosen = SHGetPathFromIDList(item, path);
  if (chosen) {
    *directory = path;
    // The roots of A: to F: end in a backslash already; any other gets one.
    static const char* const kRoots[] = {"A:\\", "B:\\", "C:\\", "D:\\", "E:\\", "F:\\"};
    bool root = false;
    for (const char* r : kRoots) root = root || *directory == r;
    if (!root) *directory += '\\';
  }
  CoTaskMemFree(item);
  return chosen;
}
