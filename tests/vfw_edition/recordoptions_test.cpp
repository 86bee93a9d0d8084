#include "vfw_edition/recordoptions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "tests/support/recordingboxes.h"
#include "tests/support/testprefix.h"

// The last number warns once; past it no name is reused.
TEST(FileNumbering, NumberNinetyNineNineNineNineIsTheLastAndNoneIsReused) {
  orvane::test::TempPrefix prefix;
  orvane::test::RecordingMessageBoxes boxes;
  const std::string dir = prefix.driveC() + "/still/";
  std::filesystem::create_directories(dir);
  char name[32];
  for (int n = 0; n < kHighestFileNumber; ++n) {
    std::snprintf(name, sizeof name, "img%05d.bmp", n);
    std::fclose(std::fopen((dir + name).c_str(), "w"));
  }
  std::string path = "C:\\still\\img00007.bmp";
  ASSERT_TRUE(NextFreeFileName(path, kStillPattern, kStillFilesWarning));
  EXPECT_EQ(path, "C:\\still\\img99999.bmp");
  EXPECT_EQ(boxes.texts(), std::vector<std::string>{kStillFilesWarning});

  std::fclose(std::fopen((dir + "img99999.bmp").c_str(), "w"));
  EXPECT_FALSE(NextFreeFileName(path, kStillPattern, kStillFilesWarning));
  EXPECT_EQ(path, "C:\\still\\");
  EXPECT_EQ(boxes.texts().size(), 2u);
}

// At most 12 characters after the last backslash go: a whole numbered name,
// or the first 12 of a longer one, never the folder.
TEST(FileNumbering, TheStripTakesAtMostTwelveCharactersAfterTheLastBackslash) {
  const struct {
    const char* before;
    const char* after;
  } cases[] = {
      {"c:\\Lumitrex Images\\video\\vid00012.avi", "c:\\Lumitrex Images\\video\\"},
      {"c:\\still\\a.bmp", "c:\\still\\"},
      {"c:\\still\\photograph-long.bmp", "c:\\still\\ong.bmp"},
      {"c:\\still\\", "c:\\still\\"},
      {"namewithoutafolder", "folder"},
  };
  for (const auto& c : cases) {
    std::string path = c.before;
    StripFileName(path);
    EXPECT_EQ(path, c.after) << c.before;
  }
}
