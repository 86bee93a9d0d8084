#include "platform/system/winpath.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using orvane::test::TempPrefix;
using orvane::test::WriteHostFile;
using orvane::winpath::FromHost;
using orvane::winpath::ToHost;
namespace fs = std::filesystem;

TEST(WinPath, MapsDrivesAndCleansComponents) {
  TempPrefix prefix;
  const std::string c = prefix.driveC();
  struct Case {
    const char* windows;
    std::string host;
  } cases[] = {
      {"C:\\Lumitrex Images\\Video\\", c + "/Lumitrex Images/Video"},
      {"c:/Lumitrex Images/Video/x.avi", c + "/Lumitrex Images/Video/x.avi"},
      {"C:\\", c},
      {"C:", c},
      {"C:\\a\\.\\b\\\\c", c + "/a/b/c"},
      {"C:\\a\\..\\b", c + "/b"},
      // ".." stops at the drive root instead of leaving the drive's folder.
      {"C:\\..\\..\\etc\\passwd", c + "/etc/passwd"},
      {"C:\\a\\..\\..\\..\\x", c + "/x"},
      {"\\rooted\\on\\c", c + "/rooted/on/c"},
      {"Z:\\tmp\\x", "/tmp/x"},
      {"z:\\..\\tmp", "/tmp"},
      {"Z:\\", "/"},
      {"C:\\Fotos\\Überraschung\\日本.bmp", c + "/Fotos/Überraschung/日本.bmp"},
  };
  for (const Case& tc : cases) {
    std::optional<std::string> host = ToHost(tc.windows);
    ASSERT_TRUE(host) << tc.windows;
    EXPECT_EQ(*host, tc.host) << tc.windows;
  }
}

TEST(WinPath, RefusesWhatHasNoHostCounterpart) {
  TempPrefix prefix;
  struct Case {
    std::string windows;
    LONG error;
  } cases[] = {
      {"", ERROR_PATH_NOT_FOUND},
      {"D:\\Capture\\", ERROR_PATH_NOT_FOUND},  // absent drive
      {"\\\\server\\share\\x", ERROR_PATH_NOT_FOUND},
      {"C:\\" + std::string(257, 'a'), ERROR_FILENAME_EXCED_RANGE},
  };
  for (const Case& tc : cases) {
    LONG error = 0;
    EXPECT_FALSE(ToHost(tc.windows, &error)) << tc.windows;
    EXPECT_EQ(error, tc.error) << tc.windows;
  }
  // 259 bytes is the longest path the ANSI functions take.
  EXPECT_TRUE(ToHost("C:\\" + std::string(256, 'a')));
}

TEST(WinPath, ResolvesExistingComponentsCaseInsensitively) {
  TempPrefix prefix;
  fs::create_directories(prefix.driveC() + "/Lumitrex Images/Video");
  WriteHostFile(prefix.driveC() + "/Lumitrex Images/Video/VIDEOF00.AVI", "x");
  fs::create_directories(prefix.driveC() + "/Ärger");

  EXPECT_EQ(*ToHost("c:\\lumitrex images\\video\\videof00.avi"),
            prefix.driveC() + "/Lumitrex Images/Video/VIDEOF00.AVI");
  // Non-ASCII names fold too.
  EXPECT_EQ(*ToHost("C:\\ärger\\new"), prefix.driveC() + "/Ärger/new");
  // New components keep the spelling they were given, also below a missing folder.
  EXPECT_EQ(*ToHost("C:\\LUMITREX IMAGES\\Photo\\Sub"),
            prefix.driveC() + "/Lumitrex Images/Photo/Sub");
  // An exact match wins over a case-insensitive one.
  fs::create_directories(prefix.driveC() + "/lumitrex images");
  EXPECT_EQ(*ToHost("C:\\lumitrex images"), prefix.driveC() + "/lumitrex images");
  // Among several case-insensitive matches the choice is stable (byte order).
  EXPECT_EQ(*ToHost("C:\\LUMITREX IMAGES"), prefix.driveC() + "/Lumitrex Images");
  // Bytes that are not UTF-8 match only themselves: "\xC9T\xC9" and
  // "\xE9t\xE9" both decode to U+FFFD t U+FFFD, yet name different files.
  WriteHostFile(prefix.driveC() + "/\xE9t\xE9", "another file");
  EXPECT_EQ(*ToHost("C:\\\xC9T\xC9"), prefix.driveC() + "/\xC9T\xC9");
  EXPECT_EQ(*ToHost("C:\\\xEF\xBF\xBDt\xEF\xBF\xBD"),
            prefix.driveC() + "/\xEF\xBF\xBDt\xEF\xBF\xBD");
  EXPECT_EQ(*ToHost("C:\\\xE9t\xE9"), prefix.driveC() + "/\xE9t\xE9");
}

TEST(WinPath, DriveMapAddsLettersAndMapsBack) {
  TempPrefix prefix;
  fs::create_directories(prefix.path("usb"));
  WriteHostFile(prefix.path("drives.ini"), "[drives]\nD=" + prefix.path("usb") + "/\ne:=" +
                                               prefix.path("e") + "\nF=relative/not/allowed\n");
  EXPECT_EQ(*ToHost("D:\\Capture\\x.avi"), prefix.path("usb") + "/Capture/x.avi");
  EXPECT_EQ(*ToHost("E:\\a\\b"), prefix.path("e") + "/a/b");
  EXPECT_FALSE(ToHost("F:\\x"));
  EXPECT_EQ(*ToHost("D:\\..\\..\\x"), prefix.path("usb") + "/x");
  // A changed map is seen at once; a FIFO in its place does not hang.
  WriteHostFile(prefix.path("drives.ini"), "[drives]\nD=" + prefix.path("e") + "\n");
  EXPECT_EQ(*ToHost("D:\\x"), prefix.path("e") + "/x");
  fs::remove(prefix.path("drives.ini"));
  ASSERT_EQ(::mkfifo(prefix.path("drives.ini").c_str(), 0644), 0);
  EXPECT_FALSE(ToHost("D:\\x"));
  fs::remove(prefix.path("drives.ini"));
  WriteHostFile(prefix.path("drives.ini"), "[drives]\nD=" + prefix.path("usb") + "/\n");

  EXPECT_EQ(FromHost(prefix.path("usb") + "/Capture"), "D:\\Capture");
  EXPECT_EQ(FromHost(prefix.driveC() + "/Lumitrex Images/Photo/"), "C:\\Lumitrex Images\\Photo");
  EXPECT_EQ(FromHost(prefix.driveC()), "C:\\");
  EXPECT_EQ(FromHost("/usr/share"), "Z:\\usr\\share");
  EXPECT_EQ(FromHost("/"), "Z:\\");
  // A folder that merely starts with the same letters is not inside the drive.
  EXPECT_EQ(
      FromHost(prefix.driveC() + "x/y"), "Z:" + [&] {
        std::string s = prefix.driveC() + "x/y";
        for (char& ch : s)
          if (ch == '/') ch = '\\';
        return s;
      }());
}

TEST(WinPath, RoundTripsThroughTheHost) {
  TempPrefix prefix;
  for (const char* windows : {"C:\\Lumitrex Images\\Video", "Z:\\tmp", "C:\\a b\\ü"}) {
    EXPECT_EQ(FromHost(*ToHost(windows)), windows);
  }
}

TEST(WinPath, WithoutPrefixDriveCIsHome) {
  orvane::test::ScopedEnv noPrefix("ORVANE_PREFIX", std::nullopt);
  orvane::test::ScopedEnv home("HOME", "/home/someone");
  orvane::test::ScopedEnv config("XDG_CONFIG_HOME", "/nonexistent-config");
  EXPECT_EQ(*ToHost("C:\\Lumitrex Images"), "/home/someone/Lumitrex Images");
}
