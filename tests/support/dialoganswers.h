// Answers for the dialogs and menus a test's clicks open, set up before
// the click (tests only).
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/filedialog.h"
#include "platform/ui/folderbrowser.h"
#include "tests/support/eventloop.h"

namespace orvane::test {

// Answers Save As with the given Windows path.
class SaveAsAnswer : public orvane::ui::FileDialogObserver {
 public:
  explicit SaveAsAnswer(std::string path) : m_path(std::move(path)), m_scope(this) {}
  std::optional<std::string> OnFileDialog(const orvane::ui::FileDialogCall& call) override {
    calls.push_back(call);
    return m_path;
  }
  std::vector<orvane::ui::FileDialogCall> calls;

 private:
  std::string m_path;
  orvane::ui::ScopedFileDialogObserver m_scope;
};

// Runs action on the modal window of that object name once it is up.
inline void WhenWindowShows(const char* name, std::function<void(QWidget*)> action) {
  WhenModalFound(
      [name]() -> QWidget* {
        QWidget* modal = QApplication::activeModalWidget();
        return modal && modal->objectName() == name ? modal : nullptr;
      },
      std::move(action));
}

// Answers the folder browser with the folders given, in turn.
class FolderAnswers : public orvane::ui::FolderBrowserObserver {
 public:
  explicit FolderAnswers(std::vector<std::string> folders)
      : m_folders(std::move(folders)), m_scope(this) {}
  std::optional<std::string> OnBrowseForFolder(const orvane::ui::FolderBrowserCall& call) override {
    titles.push_back(call.title);
    if (m_next >= m_folders.size()) return std::nullopt;
    return m_folders[m_next++];
  }
  std::vector<std::string> titles;

 private:
  std::vector<std::string> m_folders;
  std::size_t m_next = 0;
  orvane::ui::ScopedFolderBrowserObserver m_scope;
};

// The pop-up menu about to open picks its entry at index (none: dismissed).
inline void ChooseFromPopup(int index, int delayMs = 100) {
  QTimer::singleShot(delayMs, [index] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) return;
    if (index < 0) {
      menu->close();
      return;
    }
    // Separators are not entries.
    QList<QAction*> entries;
    for (QAction* action : menu->actions())
      if (!action->isSeparator()) entries << action;
    menu->setActiveAction(entries.value(index));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(menu, &enter);
  });
}

}  // namespace orvane::test
