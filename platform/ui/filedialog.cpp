#include "platform/ui/filedialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "platform/system/winpath.h"
#include "platform/ui/messagebox.h"

namespace {

std::string FileNamePart(const std::string& path) {
  std::size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::optional<std::string> AskUser(const orvane::ui::FileDialogCall& call) {
  QFileDialog dialog(call.parent);
  dialog.setAcceptMode(call.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(call.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!(call.flags & OFN_OVERWRITEPROMPT)) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!call.defaultExtension.empty())
    dialog.setDefaultSuffix(QString::fromUtf8(call.defaultExtension.c_str()));
  QStringList filters;
  for (const auto& [description, patterns] : orvane::ui::ParseFilter(call.filter)) {
    QString qtPatterns = QString::fromUtf8(patterns.c_str()).replace(';', ' ');
    filters << QString::fromUtf8(description.c_str()).trimmed() + " (" + qtPatterns + ")";
  }
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!call.initialPath.empty()) {
    if (std::optional<std::string> host = orvane::winpath::ToHost(call.initialPath)) {
      QFileInfo info(QString::fromStdString(*host));
      dialog.setDirectory(info.absolutePath());
      dialog.selectFile(info.fileName());
    }
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return orvane::winpath::FromHost(dialog.selectedFiles().first().toStdString());
}

}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension, LPCSTR fileName, DWORD flags,
                         LPCSTR filter, HWND parent)
    : m_open(openFileDialog),
      m_defaultExtension(defaultExtension ? defaultExtension : ""),
      m_initialPath(fileName ? fileName : ""),
      m_flags(flags),
      m_filter(filter ? filter : ""),
      m_parent(parent) {}

int CFileDialog::DoModal() {
  orvane::ui::FileDialogCall call{m_parent,      m_open != FALSE, m_defaultExtension,
                                  m_initialPath, m_flags,         m_filter};
  auto* observer = orvane::ui::CurrentObserver<orvane::ui::FileDialogObserver>();
  std::optional<std::string> chosen = observer ? observer->OnFileDialog(call) : AskUser(call);
  if (!chosen || chosen->empty()) return IDCANCEL;
  m_path = orvane::ui::WithDefaultExtension(*chosen, m_defaultExtension);
  return IDOK;
}

std::string CFileDialog::GetFileName() const { return FileNamePart(m_path); }

std::string CFileDialog::GetFileExt() const {
  std::string name = GetFileName();
  std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? "" : name.substr(dot + 1);
}

namespace orvane::ui {

std::vector<std::pair<std::string, std::string>> ParseFilter(const std::string& filter) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < filter.size()) {
    std::size_t bar = filter.find('|', start);
    if (bar == std::string::npos) bar = filter.size();
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty() && parts[i + 1].empty()) break;  // the closing "||"
    pairs.emplace_back(parts[i], parts[i + 1]);
  }
  return pairs;
}

std::string WithDefaultExtension(const std::string& path, const std::string& defaultExtension) {
  if (defaultExtension.empty()) return path;
  std::string name = FileNamePart(path);
  if (name.empty() || name.find('.') != std::string::npos) return path;
  return path + "." + defaultExtension;
}

}  // namespace orvane::ui
