#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "platform/system/taskmem.h"
#include "platform/ui/filedialog.h"
#include "platform/ui/folderbrowser.h"
#include "platform/ui/messagebox.h"
#include "tests/support/eventloop.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using orvane::test::TempPrefix;
using orvane::ui::FileDialogCall;
using orvane::ui::FolderBrowserCall;
namespace fs = std::filesystem;

namespace {

class FolderAnswer : public orvane::ui::FolderBrowserObserver {
 public:
  explicit FolderAnswer(std::optional<std::string> answer) : m_answer(std::move(answer)) {}
  std::optional<std::string> OnBrowseForFolder(const FolderBrowserCall& call) override {
    calls.push_back(call);
    return m_answer;
  }
  std::vector<FolderBrowserCall> calls;

 private:
  std::optional<std::string> m_answer;
  orvane::ui::ScopedFolderBrowserObserver m_scope{this};
};

class FileAnswer : public orvane::ui::FileDialogObserver {
 public:
  explicit FileAnswer(std::optional<std::string> answer) : m_answer(std::move(answer)) {}
  std::optional<std::string> OnFileDialog(const FileDialogCall& call) override {
    calls.push_back(call);
    return m_answer;
  }
  std::vector<FileDialogCall> calls;

 private:
  std::optional<std::string> m_answer;
  orvane::ui::ScopedFileDialogObserver m_scope{this};
};

}  // namespace

TEST(FolderBrowser, ObserverChoiceComesBackAsPathAndDisplayName) {
  QWidget owner;
  FolderAnswer answer(std::string("C:\\Lumitrex Images\\Photo"));
  char display[MAX_PATH] = "untouched";
  BROWSEINFO info{&owner,  nullptr, display, "Select Save directory", BIF_RETURNONLYFSDIRS,
                  nullptr, 0,       0};
  PIDLIST_ABSOLUTE item = SHBrowseForFolder(&info);
  ASSERT_NE(item, nullptr);
  char path[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDList(item, path));
  CoTaskMemFree(item);
  EXPECT_STREQ(path, "C:\\Lumitrex Images\\Photo");
  EXPECT_STREQ(display, "Photo");
  ASSERT_EQ(answer.calls.size(), 1u);
  EXPECT_EQ(answer.calls[0].owner, &owner);
  EXPECT_EQ(answer.calls[0].title, "Select Save directory");
  EXPECT_EQ(answer.calls[0].flags, BIF_RETURNONLYFSDIRS);

  FolderAnswer root(std::string("C:\\"));
  item = SHBrowseForFolder(&info);
  ASSERT_TRUE(SHGetPathFromIDList(item, path));
  CoTaskMemFree(item);
  EXPECT_STREQ(path, "C:\\");
  EXPECT_STREQ(display, "C:\\");

  FolderAnswer cancel(std::nullopt);
  EXPECT_EQ(SHBrowseForFolder(&info), nullptr);
  EXPECT_FALSE(SHGetPathFromIDList(nullptr, path));

  FolderAnswer tooLong("C:\\" + std::string(300, 'x'));
  item = SHBrowseForFolder(&info);
  EXPECT_FALSE(SHGetPathFromIDList(item, path));
  CoTaskMemFree(item);
}

TEST(FolderBrowser, RealDialogReturnsTheFolderInWindowsForm) {
  TempPrefix prefix;
  fs::create_directories(prefix.driveC() + "/Lumitrex Images/Video");
  orvane::test::WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
    dialog->setDirectory(QString::fromStdString(prefix.driveC() + "/Lumitrex Images/Video"));
    static_cast<QDialog*>(dialog)->accept();
  });
  char path[MAX_PATH];
  BROWSEINFO info{nullptr, nullptr, nullptr, "Select Save directory", BIF_RETURNONLYFSDIRS,
                  nullptr, 0,       0};
  PIDLIST_ABSOLUTE item = SHBrowseForFolder(&info);
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(SHGetPathFromIDList(item, path));
  CoTaskMemFree(item);
  EXPECT_STREQ(path, "C:\\Lumitrex Images\\Video");
}

TEST(FileDialog, FilterAndDefaultExtensionRules) {
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(orvane::ui::ParseFilter("AVI file(*.avi)|*.avi|"),
            (Pairs{{"AVI file(*.avi)", "*.avi"}}));
  EXPECT_EQ(orvane::ui::ParseFilter("BMP file(*.bmp) |*.bmp|"),
            (Pairs{{"BMP file(*.bmp) ", "*.bmp"}}));
  EXPECT_EQ(orvane::ui::ParseFilter("Pictures|*.bmp;*.dib|All|*.*||"),
            (Pairs{{"Pictures", "*.bmp;*.dib"}, {"All", "*.*"}}));
  EXPECT_EQ(orvane::ui::ParseFilter(""), Pairs{});
  EXPECT_EQ(orvane::ui::ParseFilter("dangling"), Pairs{});

  struct Case {
    const char* path;
    const char* ext;
    const char* expected;
  } cases[] = {
      {"C:\\x\\copy", "avi", "C:\\x\\copy.avi"},
      {"C:\\x\\copy.avi", "avi", "C:\\x\\copy.avi"},
      {"C:\\x\\copy.bmp", "avi", "C:\\x\\copy.bmp"},
      {"C:\\x.y\\copy", "bmp", "C:\\x.y\\copy.bmp"},
      {"C:\\x\\copy", "", "C:\\x\\copy"},
  };
  for (const Case& tc : cases)
    EXPECT_EQ(orvane::ui::WithDefaultExtension(tc.path, tc.ext), tc.expected) << tc.path;
}

TEST(FileDialog, SaveAsHandsOverItsSettingsAndTheChoice) {
  FileAnswer answer(std::string("C:\\Lumitrex Images\\Video\\holiday"));
  CFileDialog dialog(FALSE, "avi", "C:\\Lumitrex Images\\Video\\videof00.avi",
                     OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "AVI file(*.avi)|*.avi|", nullptr);
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.GetPathName(), "C:\\Lumitrex Images\\Video\\holiday.avi");
  EXPECT_EQ(dialog.GetFileName(), "holiday.avi");
  EXPECT_EQ(dialog.GetFileExt(), "avi");
  ASSERT_EQ(answer.calls.size(), 1u);
  EXPECT_FALSE(answer.calls[0].open);
  EXPECT_EQ(answer.calls[0].initialPath, "C:\\Lumitrex Images\\Video\\videof00.avi");
  EXPECT_EQ(answer.calls[0].filter, "AVI file(*.avi)|*.avi|");
  EXPECT_EQ(answer.calls[0].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);

  FileAnswer cancel(std::nullopt);
  CFileDialog cancelled(FALSE, "bmp", "C:\\x.bmp");
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  EXPECT_EQ(cancelled.GetPathName(), "");
}

TEST(FileDialog, RealSaveAsDialogMapsPathsBothWays) {
  TempPrefix prefix;
  fs::create_directories(prefix.driveC() + "/Lumitrex Images/Photo");
  orvane::test::WriteHostFile(prefix.driveC() + "/Lumitrex Images/Photo/photo000.bmp", "BM");
  QString startDir, startName;
  QStringList filters;
  orvane::test::WhenModalShows<QFileDialog>([&](QFileDialog* dialog) {
    startDir = dialog->directory().absolutePath();
    startName = dialog->selectedFiles().value(0);
    filters = dialog->nameFilters();
    dialog->selectFile("renamed");
    static_cast<QDialog*>(dialog)->accept();
  });
  CFileDialog dialog(FALSE, "bmp", "c:\\lumitrex images\\photo\\photo000.bmp",
                     OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "BMP file(*.bmp) |*.bmp|", nullptr);
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(startDir.toStdString(), prefix.driveC() + "/Lumitrex Images/Photo");
  EXPECT_TRUE(startName.endsWith("photo000.bmp"));
  EXPECT_EQ(filters, QStringList{"BMP file(*.bmp) (*.bmp)"});
  EXPECT_EQ(dialog.GetPathName(), "C:\\Lumitrex Images\\Photo\\renamed.bmp");
}
