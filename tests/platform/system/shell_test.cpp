#include "platform/system/shell.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

namespace {

namespace fs = std::filesystem;
using orvane::test::HostExists;
using orvane::test::ReadHostFile;
using orvane::test::WriteHostFile;
using orvane::test::WriteScript;

// A private C: with C:\Captures\Video 01.avi, and a PATH that holds only the
// stand-in xdg-open (once installed).
class ShellExecuteTest : public ::testing::Test {
 protected:
  ShellExecuteTest() : m_path("PATH", m_prefix.path("bin")) {
    WriteHostFile(captures() + "/Video 01.avi", "RIFF");
  }
  std::string captures() const { return m_prefix.driveC() + "/Captures"; }
  std::string record() const { return m_prefix.path("xdg-open.txt"); }
  // xdg-open records "[target]|working folder", then runs tail.
  void InstallXdgOpen(const std::string& tail) {
    WriteScript(m_prefix.path("bin/xdg-open"),
                "printf '[%s]|%s' \"$@\" \"$(pwd -P)\" > '" + record() + "'\n" + tail);
  }
  HINSTANCE Open(const char* file, const char* verb = "open", const char* dir = nullptr) {
    fs::remove(record());
    return ShellExecute(nullptr, verb, file, nullptr, dir, SW_SHOW);
  }

  orvane::test::TempPrefix m_prefix;
  orvane::test::ScopedEnv m_path;
};

TEST_F(ShellExecuteTest, WithoutXdgOpenNothingIsAssociated) {
  EXPECT_EQ(Open("mailto:someone@example.org"), SE_ERR_NOASSOC);
  EXPECT_EQ(Open(R"(C:\Captures\Video 01.avi)"), SE_ERR_NOASSOC);
  WriteHostFile(m_prefix.path("bin/xdg-open"), "#!/bin/sh\n");  // not executable
  EXPECT_EQ(Open("mailto:someone@example.org"), SE_ERR_NOASSOC);
}

TEST_F(ShellExecuteTest, MapsTheVerdictOfXdgOpen) {
  const struct {
    const char* tail;
    HINSTANCE result;
  } cases[] = {
      {"exit 0", 42},
      {"exit 1", SE_ERR_ASSOCINCOMPLETE},
      {"exit 2", ERROR_FILE_NOT_FOUND},
      {"exit 3", SE_ERR_NOASSOC},
      {"exit 4", SE_ERR_NOASSOC},
      {"exit 9", SE_ERR_NOASSOC},
      {"kill -KILL $$", SE_ERR_NOASSOC},
  };
  for (const auto& t : cases) {
    InstallXdgOpen(t.tail);
    EXPECT_EQ(Open("http://example.org/"), t.result) << t.tail;
    EXPECT_TRUE(HostExists(record())) << t.tail;
  }
}

TEST_F(ShellExecuteTest, HandsOverAddressesAsTheyAreAndFilesAsHostPaths) {
  InstallXdgOpen("exit 0");
  const std::string pwned = m_prefix.path("pwned");
  const std::string cwd = fs::canonical(fs::current_path()).string();
  const std::string hostFile = captures() + "/Video 01.avi";
  const std::string hostized = fs::canonical(captures()).string();
  const struct {
    std::string file;
    const char* verb;
    const char* dir;
    std::string received;
  } cases[] = {
      {"mailto:someone@example.org?subject=Hi there", "open", nullptr,
       "[mailto:someone@example.org?subject=Hi there]|" + cwd},
      {"http://h/x?a=$(touch " + pwned + ")&b=`touch " + pwned + "`;c", nullptr, nullptr,
       "[http://h/x?a=$(touch " + pwned + ")&b=`touch " + pwned + "`;c]|" + cwd},
      {R"(C:\Captures\Video 01.avi)", "OPEN", nullptr, "[" + hostFile + "]|" + cwd},
      {R"(c:\CAPTURES\video 01.AVI)", "open", nullptr, "[" + hostFile + "]|" + cwd},
      {R"(C:\Captures)", "open", nullptr, "[" + captures() + "]|" + cwd},
      {"Video 01.avi", "open", R"(C:\Captures)", "[" + hostFile + "]|" + hostized},
      {"mailto:x@y.z", "open", R"(C:\Captures\)", "[mailto:x@y.z]|" + hostized},
  };
  for (const auto& t : cases) {
    EXPECT_EQ(Open(t.file.c_str(), t.verb, t.dir), 42) << t.file;
    EXPECT_EQ(ReadHostFile(record()), t.received) << t.file;
  }
  EXPECT_FALSE(HostExists(pwned));
}

TEST_F(ShellExecuteTest, RefusesWithoutStartingXdgOpen) {
  InstallXdgOpen("exit 0");
  const std::string tooLong = R"(C:\)" + std::string(300, 'a') + ".avi";
  const struct {
    const char* file;
    const char* verb;
    const char* dir;
    HINSTANCE result;
  } cases[] = {
      {R"(C:\Captures\none.avi)", "open", nullptr, ERROR_FILE_NOT_FOUND},
      {R"(C:\Nowhere\x.avi)", "open", nullptr, ERROR_PATH_NOT_FOUND},
      {R"(Q:\x.avi)", "open", nullptr, ERROR_PATH_NOT_FOUND},
      {tooLong.c_str(), "open", nullptr, ERROR_PATH_NOT_FOUND},
      {"none.avi", "open", R"(C:\Captures)", ERROR_FILE_NOT_FOUND},
      {"mailto:x@y.z", "open", R"(C:\Nowhere)", ERROR_PATH_NOT_FOUND},
      {"mailto:x@y.z", "print", nullptr, SE_ERR_NOASSOC},
      {"", "open", nullptr, 0},
      {nullptr, "open", nullptr, 0},
  };
  for (const auto& t : cases) {
    EXPECT_EQ(Open(t.file, t.verb, t.dir), t.result) << (t.file ? t.file : "(null)");
    EXPECT_FALSE(HostExists(record())) << (t.file ? t.file : "(null)");
  }
}

TEST_F(ShellExecuteTest, AHandlerThatCannotStartIsDenied) {
  // Executable, but neither a binary nor a script.
  WriteScript(m_prefix.path("bin/xdg-open"), "");
  WriteHostFile(m_prefix.path("bin/xdg-open"), "exit 0\n");
  EXPECT_EQ(Open("mailto:x@y.z"), SE_ERR_ACCESSDENIED);
}

TEST_F(ShellExecuteTest, AHandlerStillRunningAfterTwoSecondsCountsAsOpened) {
  InstallXdgOpen("/bin/sleep 3\nexit 4");
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Open("mailto:x@y.z"), 42);
  auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(1900));
  EXPECT_LT(waited, std::chrono::milliseconds(2900));
}

}  // namespace
