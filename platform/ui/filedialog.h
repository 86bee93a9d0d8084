// The framework's file dialog (CFileDialog) over Qt's file dialog, with
// Windows-form paths in and out.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/system/wintypes.h"
#include "platform/ui/scopedobserver.h"

constexpr DWORD OFN_READONLY = 0x1;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr DWORD OFN_PATHMUSTEXIST = 0x800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;

class CFileDialog {
 public:
  // openFileDialog FALSE gives a Save As dialog. filter is the framework's
  // "Description|pattern|...|" text; fileName the initial (Windows) path.
  explicit CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension = nullptr,
                       LPCSTR fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       LPCSTR filter = nullptr, HWND parent = nullptr);

  // Runs the dialog modally: IDOK with a path chosen, IDCANCEL otherwise.
  // GUI thread only.
  int DoModal();

  // The chosen file, in Windows form ("" before DoModal returned IDOK).
  std::string GetPathName() const { return m_path; }
  // The chosen file's name and extension ("photo001.bmp", "bmp").
  std::string GetFileName() const;
  std::string GetFileExt() const;

 private:
  BOOL m_open;
  std::string m_defaultExtension;
  std::string m_initialPath;
  DWORD m_flags;
  std::string m_filter;
  HWND m_parent;
  std::string m_path;
};

namespace orvane::ui {

// The framework's filter text as (description, patterns) pairs:
// "AVI file(*.avi)|*.avi|" gives {"AVI file(*.avi)", "*.avi"}. Patterns keep
// their ";" separators. A trailing description without patterns is dropped.
std::vector<std::pair<std::string, std::string>> ParseFilter(const std::string& filter);

// Appends "." + defaultExtension when the file name part of path has no
// extension, as the dialog does with what the user typed.
std::string WithDefaultExtension(const std::string& path, const std::string& defaultExtension);

struct FileDialogCall {
  HWND parent = nullptr;
  bool open = false;
  std::string defaultExtension;
  std::string initialPath;
  DWORD flags = 0;
  std::string filter;
};

// Answers file dialogs instead of the user while installed: a Windows-form
// path (the default extension is added afterwards when it has none), or
// nothing for Cancel. The overwrite question is the observer's to answer.
class FileDialogObserver {
 public:
  virtual ~FileDialogObserver() = default;
  virtual std::optional<std::string> OnFileDialog(const FileDialogCall& call) = 0;
};

using ScopedFileDialogObserver = ScopedObserver<FileDialogObserver>;

}  // namespace orvane::ui
