#include "platform/system/files.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "tests/support/filesizelimit.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using orvane::files::NameIsTaken;
using orvane::test::FileSizeLimit;
using orvane::test::HostExists;
using orvane::test::ReadHostFile;
using orvane::test::TempPrefix;
using orvane::test::WriteHostFile;
namespace fs = std::filesystem;

namespace {

DWORD Error() { return GetLastError(); }

}  // namespace

TEST(Files, OpenForReadingReportsWhyItFailed) {
  TempPrefix prefix;
  fs::create_directories(prefix.driveC() + "/Lumitrex Images/Photo");
  WriteHostFile(prefix.driveC() + "/Lumitrex Images/Photo/photo000.bmp", "BM");
  struct Case {
    const char* path;
    DWORD error;  // 0: opens
  } cases[] = {
      {"C:\\Lumitrex Images\\Photo\\photo000.bmp", 0},
      {"c:\\LUMITREX IMAGES\\photo\\PHOTO000.BMP", 0},
      {"C:\\Lumitrex Images\\Photo\\photo001.bmp", ERROR_FILE_NOT_FOUND},
      {"C:\\Lumitrex Images\\Nowhere\\photo000.bmp", ERROR_PATH_NOT_FOUND},
      {"D:\\photo000.bmp", ERROR_PATH_NOT_FOUND},
      {"C:\\Lumitrex Images\\Photo", ERROR_ACCESS_DENIED},
  };
  for (const Case& tc : cases) {
    HANDLE h = CreateFile(tc.path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr);
    if (tc.error == 0) {
      ASSERT_NE(h, INVALID_HANDLE_VALUE) << tc.path;
      char buffer[4];
      DWORD read = 0;
      EXPECT_TRUE(ReadFile(h, buffer, sizeof buffer, &read, nullptr));
      EXPECT_EQ(read, 2u);
      EXPECT_TRUE(CloseHandle(h));
    } else {
      EXPECT_EQ(h, INVALID_HANDLE_VALUE) << tc.path;
      EXPECT_EQ(Error(), tc.error) << tc.path;
    }
  }
}

TEST(Files, CreateTruncatesAndWrites) {
  TempPrefix prefix;
  const std::string host = prefix.driveC() + "/out.bmp";
  WriteHostFile(host, "old content that is longer");
  HANDLE h = CreateFile("C:\\out.bmp", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(h, "new", 3, &written, nullptr));
  EXPECT_EQ(written, 3u);
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_EQ(ReadHostFile(host), "new");

  // A handle closed once is gone: a second close or a write fails cleanly.
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(WriteFile(h, "x", 1, &written, nullptr));
  EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));

  HFILE f = _lcreat("C:\\tmp.bmp", 0);
  ASSERT_NE(f, HFILE_ERROR);
  EXPECT_EQ(_lwrite(f, "BM\0\1", 4), 4u);
  EXPECT_EQ(_lclose(f), 0);
  EXPECT_EQ(ReadHostFile(prefix.driveC() + "/tmp.bmp"), std::string("BM\0\1", 4));
  EXPECT_EQ(_lcreat("C:\\missing\\tmp.bmp", 0), HFILE_ERROR);
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  HANDLE exclusive = CreateFile("C:\\out.bmp", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  EXPECT_EQ(exclusive, INVALID_HANDLE_VALUE);
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_FILE_EXISTS));
}

TEST(Files, AWriteThatRunsOutOfSpaceSaysSo) {
  TempPrefix prefix;
  HANDLE h = CreateFile("C:\\big.avi", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::string data(4096, 'x');
  DWORD written = 0;
  BOOL ok;
  {
    FileSizeLimit limit(1000);
    ok = WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
  }
  EXPECT_FALSE(ok);
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(written, 1000u);
  CloseHandle(h);
}

TEST(Files, CopyNeverReplacesAnExistingTarget) {
  TempPrefix prefix;
  const std::string c = prefix.driveC();
  WriteHostFile(c + "/photo000.bmp", "source");
  WriteHostFile(c + "/taken.bmp", "precious");
  WriteHostFile(c + "/elsewhere.bmp", "also precious");
  fs::create_symlink(c + "/elsewhere.bmp", c + "/link.bmp");
  fs::create_symlink(c + "/nothing-here.bmp", c + "/dangling.bmp");

  EXPECT_FALSE(CopyFile("C:\\photo000.bmp", "C:\\taken.bmp", TRUE));
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_EQ(ReadHostFile(c + "/taken.bmp"), "precious");
  // Links are targets that exist: nothing is written through them.
  EXPECT_FALSE(CopyFile("C:\\photo000.bmp", "C:\\link.bmp", TRUE));
  EXPECT_EQ(ReadHostFile(c + "/elsewhere.bmp"), "also precious");
  EXPECT_FALSE(CopyFile("C:\\photo000.bmp", "C:\\dangling.bmp", TRUE));
  EXPECT_FALSE(HostExists(c + "/nothing-here.bmp"));

  ASSERT_TRUE(CopyFile("C:\\photo000.bmp", "C:\\copy.bmp", TRUE));
  EXPECT_EQ(ReadHostFile(c + "/copy.bmp"), "source");
  ASSERT_TRUE(CopyFile("C:\\photo000.bmp", "C:\\taken.bmp", FALSE));
  EXPECT_EQ(ReadHostFile(c + "/taken.bmp"), "source");

  // A FIFO as the source is refused at once instead of waiting for a writer.
  ASSERT_EQ(::mkfifo((c + "/pipe.bmp").c_str(), 0644), 0);
  EXPECT_FALSE(CopyFile("C:\\pipe.bmp", "C:\\piped.bmp", TRUE));
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(CopyFile("C:\\pipe.bmp", "C:\\taken.bmp", FALSE));
  EXPECT_EQ(ReadHostFile(c + "/taken.bmp"), "source");
  EXPECT_FALSE(HostExists(c + "/piped.bmp"));

  EXPECT_FALSE(CopyFile("C:\\missing.bmp", "C:\\new.bmp", TRUE));
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CopyFile("C:\\photo000.bmp", "D:\\new.bmp", TRUE));
  EXPECT_FALSE(CopyFile("C:\\photo000.bmp", "C:\\no folder\\new.bmp", TRUE));
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(Files, AFailedCopyLeavesNoHalfFile) {
  TempPrefix prefix;
  const std::string c = prefix.driveC();
  WriteHostFile(c + "/videof00.avi", std::string(100000, 'v'));
  WriteHostFile(c + "/old.avi", "old");
  BOOL fresh, replace;
  {
    FileSizeLimit limit(4096);
    fresh = CopyFile("C:\\videof00.avi", "C:\\copy.avi", TRUE);
    replace = CopyFile("C:\\videof00.avi", "C:\\old.avi", FALSE);
  }
  EXPECT_FALSE(fresh);
  EXPECT_FALSE(HostExists(c + "/copy.avi"));
  EXPECT_FALSE(replace);
  EXPECT_EQ(ReadHostFile(c + "/old.avi"), "old");
  EXPECT_EQ(std::distance(fs::directory_iterator(c), fs::directory_iterator()), 2);
}

TEST(Files, DeleteAndCreateDirectory) {
  TempPrefix prefix;
  const std::string c = prefix.driveC();
  WriteHostFile(c + "/Video/videof00.avi", "v");
  EXPECT_TRUE(DeleteFile("c:\\video\\VIDEOF00.avi"));
  EXPECT_FALSE(HostExists(c + "/Video/videof00.avi"));
  EXPECT_FALSE(DeleteFile("C:\\Video\\videof00.avi"));
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFile("C:\\Video"));
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(fs::is_directory(c + "/Video"));

  EXPECT_TRUE(CreateDirectory("C:\\Lumitrex Images", nullptr));
  EXPECT_FALSE(CreateDirectory("c:\\lumitrex images", nullptr));
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectory("C:\\a\\b", nullptr));
  EXPECT_EQ(Error(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(_mkdir("C:\\Lumitrex Images\\Photo"), 0);
  EXPECT_EQ(_mkdir("E:\\a"), -1);
  EXPECT_EQ(GetFileAttributes("C:\\Lumitrex Images\\photo"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributes("C:\\nothing"), INVALID_FILE_ATTRIBUTES);
}

TEST(Files, NameSearchCountsEveryExistingEntryAsTaken) {
  TempPrefix prefix;
  const std::string c = prefix.driveC();
  WriteHostFile(c + "/photo000.bmp", "x");
  WriteHostFile(c + "/photo001.bmp", "unreadable");
  fs::permissions(c + "/photo001.bmp", fs::perms::none);
  fs::create_directories(c + "/photo002.bmp");
  fs::create_symlink(c + "/gone", c + "/photo003.bmp");
  struct Case {
    std::string path;
    bool taken;
  } cases[] = {
      {"C:\\photo000.bmp", true},
      {"C:\\PHOTO000.BMP", true},
      {"C:\\photo001.bmp", true},  // cannot be read, still there
      {"C:\\photo002.bmp", true},
      {"C:\\photo003.bmp", true},  // dangling link
      {"C:\\photo004.bmp", false},
      {"C:\\missing folder\\photo000.bmp", false},
      {"D:\\photo000.bmp", false},  // absent drive: the write will fail instead
      {"C:\\" + std::string(300, 'p'), false},
  };
  for (const Case& tc : cases) EXPECT_EQ(NameIsTaken(tc.path), tc.taken) << tc.path;
}
