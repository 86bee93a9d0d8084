// SaveDirsDialog: where Tarrow saves photos and videos (template 139). The
// caller takes the two directories over when it ends with IDOK.
#pragma once

#include <string>

#include "platform/ui/dialog.h"

class SaveDirsDialog : public orvane::ui::CDialog {
 public:
  static constexpr int IDD = 139;

  // The directories of stillPath and videoPath, without the file names they
  // may hold. The paths themselves are left as they are: a recording in
  // progress keeps the name of its file.
  SaveDirsDialog(const std::string& stillPath, const std::string& videoPath, QWidget* parent);

  std::string m_PhotoDir;
  std::string m_VideoDir;

 protected:
  BOOL OnInitDialog() override;

 private:
  void Browse(std::string* directory);
  void ShowDirectories();
};
