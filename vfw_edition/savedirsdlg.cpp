#include "vfw_edition/savedirsdlg.h"

#include <QAbstractButton>
#include <QLabel>

#include "controls/savedirectorybrowser.h"
#include "platform/ui/dialogbuilder.h"
#include "vfw_edition/recordoptions.h"

namespace {
constexpr int IDC_PHOTODIR = 1050, IDC_VIDEODIR = 1051, IDC_BROWSEPHOTO = 1024,
              IDC_BROWSEVIDEO = 1052;
}  // namespace

SaveDirsDialog::SaveDirsDialog(const std::string& stillPath, const std::string& videoPath,
                               QWidget* parent)
    : CDialog(IDD, parent), m_PhotoDir(stillPath), m_VideoDir(videoPath) {
  setObjectName("saveDirs");
  StripFileName(m_PhotoDir);
  StripFileName(m_VideoDir);
}

BOOL SaveDirsDialog::OnInitDialog() {
  const struct {
    int id;
    std::string* directory;
  } buttons[] = {{IDC_BROWSEPHOTO, &m_PhotoDir}, {IDC_BROWSEVIDEO, &m_VideoDir}};
  for (const auto& b : buttons)
    if (auto* button = qobject_cast<QAbstractButton*>(orvane::ui::GetDlgItem(this, b.id)))
      connect(button, &QAbstractButton::clicked, this,
              [this, directory = b.directory] { Browse(directory); });
  ShowDirectories();
  return TRUE;
}

void SaveDirsDialog::ShowDirectories() {
  if (auto* photo = qobject_cast<QLabel*>(orvane::ui::GetDlgItem(this, IDC_PHOTODIR)))
    photo->setText(QString::fromStdString(m_PhotoDir));
  if (auto* video = qobject_cast<QLabel*>(orvane::ui::GetDlgItem(this, IDC_VIDEODIR)))
    video->setText(QString::fromStdString(m_VideoDir));
}

void SaveDirsDialog::Browse(std::string* directory) {
  if (BrowseForSaveDirectory(this, directory)) ShowDirectories();
}
