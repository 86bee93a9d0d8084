#include "dshow_edition/capturesettings.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "platform/system/profile.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using orvane::test::ReadHostFile;
using orvane::test::TempPrefix;
using orvane::test::WriteHostFile;
namespace fs = std::filesystem;

namespace {

class VelbinSettings : public ::testing::Test {
 protected:
  VelbinSettings() {
    Settings() = CaptureSettings{};
    SetConstructionDefaults();
  }
  void Profile(const std::string& text) { WriteHostFile(m_prefix.path("win.ini"), text); }
  std::string Key(const char* key) {
    char buffer[300];
    GetProfileString(kProfileSection, key, "<absent>", buffer, sizeof buffer);
    return buffer;
  }
  TempPrefix m_prefix;
};

}  // namespace

TEST_F(VelbinSettings, AnEmptyProfileGivesTheDefaults) {
  const CaptureSettings& s = Settings();
  EXPECT_EQ(s.SecurityTime, 10);  // the constructor's, until the load
  EXPECT_EQ(ReadProfileSettings(), 0);
  EXPECT_EQ(s.CaptureAudio, 1);
  EXPECT_EQ(s.UseFrameRate, 1);
  EXPECT_DOUBLE_EQ(s.FrameRate, 14.99);
  EXPECT_EQ(s.UseTimeLimit, 0);
  EXPECT_EQ(s.TimeLimit, 10u);
  EXPECT_EQ(s.SecurityTime, 1);
  EXPECT_EQ(s.WantPreview, 1);
  EXPECT_EQ(s.MasterStream, 0);
  EXPECT_EQ(s.AudioAvailable, 1);
  EXPECT_EQ(s.VideoDevice, -1);
  EXPECT_EQ(s.AudioDevice, -1);
  EXPECT_STREQ(s.CaptureFile, "");
  EXPECT_EQ(s.SaveVideo, kDefaultSaveVideo);
  EXPECT_EQ(s.SavePhoto, kDefaultSavePhoto);
  EXPECT_EQ(s.SaveSecurity, kDefaultSaveSecurity);

  PrepareSaveDirectories();
  for (const char* dir : {"Video", "Photo", "Security"})
    EXPECT_TRUE(fs::is_directory(m_prefix.driveC() + "/Lumitrex Images/" + dir)) << dir;
}

TEST_F(VelbinSettings, TheFirstSaveMakesTheProfileStable) {
  ReadProfileSettings();
  SaveSettings();
  SaveSettings();  // shut-down saves twice; the second changes nothing
  EXPECT_EQ(Key("FrameRate"), "667111");
  EXPECT_EQ(Key("SecurityTime"), "1");
  EXPECT_EQ(Key("VideoDevice"), "-1");
  EXPECT_EQ(Key("WantPreview"), "1");
  EXPECT_EQ(Key("CaptureFile"), "<absent>");
  EXPECT_EQ(Key("SaveVideo"), kDefaultSaveVideo);
  const std::string first = ReadHostFile(m_prefix.path("win.ini"));
  EXPECT_EQ(first.find("[vorix]\nVideoDevice=-1\nAudioDevice=-1\nFrameRate=667111\n"), 0u);
  ReadProfileSettings();
  EXPECT_DOUBLE_EQ(Settings().FrameRate, 14.99);
  SaveSettings();
  EXPECT_EQ(ReadHostFile(m_prefix.path("win.ini")), first);
}

// Every key through a save and the next start, each holding a value of its
// own: a key saved from the wrong field shows. The switches take two passes
// so that every pair of them differs in one.
TEST_F(VelbinSettings, EveryKeyComesBackAsItWasSavedAtTheNextStart) {
  struct Switches {
    BOOL captureAudio, useFrameRate, useTimeLimit, wantPreview;
  } passes[] = {{0, 1, 1, 0}, {0, 0, 1, 1}};
  int n = 0;
  for (const Switches& p : passes) {
    SCOPED_TRACE(n);
    CaptureSettings& s = Settings();
    s.VideoDevice = 2 + n;
    s.AudioDevice = 4 + n;
    s.CaptureAudio = p.captureAudio;
    s.UseFrameRate = p.useFrameRate;
    s.UseTimeLimit = p.useTimeLimit;
    s.WantPreview = p.wantPreview;
    s.FrameRate = n ? 7.5 : 12.5;
    s.MasterStream = 1;
    s.TimeLimit = 123 + n;
    s.SecurityTime = 7 + n;
    s.SaveVideo = "D:\\Clips" + std::to_string(n) + "\\";
    s.SavePhoto = "C:\\Pictures\\Mine" + std::to_string(n) + "\\";
    s.SaveSecurity = "C:\\Watch" + std::to_string(n) + "\\secur005.bmp";  // a last file's name
    SaveSettings();

    // The next start.
    Settings() = CaptureSettings{};
    SetConstructionDefaults();
    EXPECT_EQ(ReadProfileSettings(), 4 + n) << "AudioDevice";
    EXPECT_EQ(s.CaptureAudio, p.captureAudio);
    EXPECT_EQ(s.UseFrameRate, p.useFrameRate);
    EXPECT_EQ(s.UseTimeLimit, p.useTimeLimit);
    EXPECT_DOUBLE_EQ(s.FrameRate, n ? 7.5 : 12.5);
    EXPECT_EQ(s.TimeLimit, 123u + n);
    EXPECT_EQ(s.SecurityTime, 7 + n);
    EXPECT_EQ(s.SaveVideo, "D:\\Clips" + std::to_string(n) + "\\");
    EXPECT_EQ(s.SavePhoto, "C:\\Pictures\\Mine" + std::to_string(n) + "\\");
    EXPECT_EQ(s.SaveSecurity, "C:\\Watch" + std::to_string(n) + "\\");
    // Kept in the profile, set afresh at every start as designed.
    EXPECT_EQ(Key("VideoDevice"), std::to_string(2 + n));
    EXPECT_EQ(Key("WantPreview"), std::to_string(p.wantPreview));
    EXPECT_EQ(Key("MasterStream"), "1");
    EXPECT_EQ(s.VideoDevice, -1);
    EXPECT_EQ(s.WantPreview, 1);
    ++n;
  }
}

TEST_F(VelbinSettings, FrameRateConversionsAndTheirGuards) {
  struct Case {
    LONG duration;
    double rate;
  } loads[] = {{666667, 14.99}, {666666, 15.0}, {667111, 14.99}, {333333, 30.0},
               {3333333, 3.0},  {0, 15.0},      {-5, 15.0},      {1000000001, 15.0},
               {1, 10000000.0}, {INT_MIN, 15.0}};
  for (const Case& tc : loads) EXPECT_DOUBLE_EQ(FrameRateFromDuration(tc.duration), tc.rate);
  EXPECT_EQ(DurationFromFrameRate(14.99), 667111);
  EXPECT_EQ(DurationFromFrameRate(15.0), 666666);
  EXPECT_EQ(DurationFromFrameRate(30.0), 333333);
  // Rates with no 32-bit duration are written as 0, which loads as 15 fps.
  EXPECT_EQ(DurationFromFrameRate(0.0), 0);
  EXPECT_EQ(DurationFromFrameRate(-1.0), 0);
  EXPECT_EQ(DurationFromFrameRate(0.0001), 0);

  Profile("[vorix]\nFrameRate=text\nTimeLimit=text\n");
  ReadProfileSettings();
  EXPECT_DOUBLE_EQ(Settings().FrameRate, 15.0);
  EXPECT_EQ(Settings().TimeLimit, 0u);
}

TEST_F(VelbinSettings, DirectoriesLoseTheirLastComponentUnlessItEndsInABackslash) {
  Profile(
      "[vorix]\nSaveVideo=D:\\Capture\nSavePhoto=C:\\Mine\\photo007.bmp\n"
      "SaveSecurity=plain\nCaptureFile=C:\\by hand.avi\nVideoDevice=5\n");
  ReadProfileSettings();
  EXPECT_EQ(Settings().SaveVideo, "D:\\");
  EXPECT_EQ(Settings().SavePhoto, "C:\\Mine\\");
  EXPECT_EQ(Settings().SaveSecurity, "");
  EXPECT_STREQ(Settings().CaptureFile, "C:\\by hand.avi");
  EXPECT_EQ(Settings().VideoDevice, -1);  // chosen by name, never from the profile
  SaveSettings();
  EXPECT_EQ(Key("SaveVideo"), "D:\\");
  EXPECT_EQ(Key("CaptureFile"), "C:\\by hand.avi");  // as it was: never written

  struct Case {
    const char* in;
    const char* out;
  } strips[] = {{"C:\\a\\b\\", "C:\\a\\b\\"},
                {"C:\\a\\b\\videof00.avi", "C:\\a\\b\\"},
                {"D:\\Pics", "D:\\"},
                {"nofolder", ""},
                {"", ""}};
  for (const Case& tc : strips) {
    std::string s = tc.in;
    StripFileName(s);
    EXPECT_EQ(s, tc.out) << tc.in;
  }
}

TEST_F(VelbinSettings, DirectoryChainsAreCreatedLevelByLevel) {
  fs::create_directories(m_prefix.path("e"));
  WriteHostFile(m_prefix.path("drives.ini"), "[drives]\nE=" + m_prefix.path("e") + "\n");
  CreateDirectoryChain("E:\\a\\b\\c\\");
  EXPECT_TRUE(fs::is_directory(m_prefix.path("e/a/b/c")));
  CreateDirectoryChain("C:\\x\\y");  // the last level only with a trailing backslash
  EXPECT_TRUE(fs::is_directory(m_prefix.driveC() + "/x"));
  EXPECT_FALSE(fs::exists(m_prefix.driveC() + "/x/y"));
  CreateDirectoryChain("Q:\\absent\\drive\\");  // ignored
  CreateDirectoryChain("C:\\");
  CreateDirectoryChain("");

  Profile("[vorix]\nSavePhoto=E:\\p\\q\\\n");
  ReadProfileSettings();
  PrepareSaveDirectories();
  EXPECT_TRUE(fs::is_directory(m_prefix.path("e/p/q")));
  EXPECT_EQ(Settings().SavePhoto, "E:\\p\\q\\");
}
