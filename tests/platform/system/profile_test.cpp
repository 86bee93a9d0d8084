#include "platform/system/profile.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>

#include "tests/support/filesizelimit.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using orvane::test::ReadHostFile;
using orvane::test::TempPrefix;
using orvane::test::WriteHostFile;
namespace fs = std::filesystem;

namespace {

std::string Get(const char* section, const char* key, const char* def = "", DWORD size = 260) {
  std::string buffer(size, '\x7f');
  DWORD n = GetProfileString(section, key, def, buffer.data(), size);
  EXPECT_EQ(buffer[n], '\0');
  return buffer.substr(0, n);
}

class Profile : public ::testing::Test {
 protected:
  void Write(const std::string& text) { WriteHostFile(m_prefix.path("win.ini"), text); }
  std::string Text() { return ReadHostFile(m_prefix.path("win.ini")); }
  TempPrefix m_prefix;
};

}  // namespace

TEST_F(Profile, ReadsWithTheWindowsRules) {
  Write(
      "; comment\n"
      "orphan=before any section\n"
      "[Vorix]\n"
      "  SaveVideo =  C:\\Lumitrex Images\\Video\\  \n"
      "Quoted=\"  spaced  \"\n"
      "Single='x'\n"
      "Unbalanced=\"abc\n"
      "Empty=\n"
      "NoEquals\n"
      "Dup=first\n"
      "dup=second\n"
      "[ other ]\n"
      "key=other\n");
  struct Case {
    const char* section;
    const char* key;
    const char* def;
    std::string expected;
  } cases[] = {
      {"vorix", "savevideo", "", "C:\\Lumitrex Images\\Video\\"},
      {"VORIX", "SAVEVIDEO", "", "C:\\Lumitrex Images\\Video\\"},
      {"vorix", "Quoted", "", "  spaced  "},
      {"vorix", "Single", "", "x"},
      {"vorix", "Unbalanced", "", "\"abc"},
      {"vorix", "Empty", "dflt", ""},
      {"vorix", "NoEquals", "dflt", ""},
      {"vorix", "dup", "", "first"},
      {"vorix", "missing", "dflt  ", "dflt"},
      {"vorix", "missing", nullptr, ""},
      {"other", "key", "", "other"},
      {"nowhere", "orphan", "none", "none"},
  };
  for (const Case& tc : cases)
    EXPECT_EQ(Get(tc.section, tc.key, tc.def), tc.expected) << tc.section << "/" << tc.key;
}

TEST_F(Profile, CutsLongValuesToTheBuffer) {
  Write("[s]\nk=abcdefghij\n");
  EXPECT_EQ(Get("s", "k", "", 5), "abcd");
  EXPECT_EQ(Get("s", "k", "", 1), "");
  EXPECT_EQ(Get("s", "k", "", 11), "abcdefghij");
  EXPECT_EQ(Get("s", "missing", "0123456789", 4), "012");
  EXPECT_EQ(GetProfileString("s", "k", "", nullptr, 10), 0u);

  // Lists of names end in two zeros and report size - 2 when cut.
  Write("[alpha]\n[beta]\nk1=1\nk2=2\n[ALPHA]\n");
  std::string buffer(32, '\x7f');
  DWORD n = GetProfileString(nullptr, nullptr, "", buffer.data(), 32);
  EXPECT_EQ(buffer.substr(0, n + 1), std::string("alpha\0beta\0\0", 12));
  n = GetProfileString("beta", nullptr, "", buffer.data(), 32);
  EXPECT_EQ(buffer.substr(0, n + 1), std::string("k1\0k2\0\0", 7));
  n = GetProfileString(nullptr, nullptr, "", buffer.data(), 5);
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(buffer.substr(0, 5), std::string("alp\0\0", 5));
}

TEST_F(Profile, ParsesNumbersLikeGetProfileInt) {
  Write(
      "[n]\n"
      "plain=42\n"
      "spaced=   7   \n"
      "trailing=12ab\n"
      "text=fifteen\n"
      "negative=-5\n"
      "plus=+9\n"
      "hex=0x10\n"
      "empty=\n"
      "wrap=4294967297\n"
      "frame=667111\n");
  struct Case {
    const char* key;
    UINT expected;
  } cases[] = {
      {"plain", 42},
      {"spaced", 7},
      {"trailing", 12},
      {"text", 0},
      {"negative", static_cast<UINT>(-5)},
      {"plus", 9},
      {"hex", 0},
      {"empty", 77},
      {"missing", 77},
      {"wrap", 1},
      {"frame", 667111},
  };
  for (const Case& tc : cases) EXPECT_EQ(GetProfileInt("n", tc.key, 77), tc.expected) << tc.key;
  EXPECT_EQ(GetProfileInt("absent section", "plain", -1), static_cast<UINT>(-1));
}

TEST_F(Profile, MissingFileReadsAsEmptyAndIsCreatedByAWrite) {
  EXPECT_EQ(Get("vorix", "TimeLimit", "10"), "10");
  EXPECT_EQ(GetProfileInt("vorix", "TimeLimit", 10), 10u);
  ASSERT_TRUE(WriteProfileString("vorix", "TimeLimit", "10"));
  EXPECT_EQ(Text(), "[vorix]\nTimeLimit=10\n");
}

TEST_F(Profile, WritingKeepsEverythingElse) {
  Write(
      "; my settings\r\n"
      "[Other]\r\n"
      "keep=1 ; not a comment here\r\n"
      "\r\n"
      "[vorix]\r\n"
      "FrameRate=666667\r\n"
      "; a note inside\r\n"
      "SaveVideo=D:\\Capture\r\n"
      "\r\n"
      "[Last]\r\n"
      "z=9");  // no final line ending
  ASSERT_TRUE(WriteProfileString("VORIX", "framerate", "667111"));
  ASSERT_TRUE(WriteProfileString("vorix", "TimeLimit", "10"));
  ASSERT_TRUE(WriteProfileString("New", "a", "b"));
  EXPECT_EQ(Text(),
            "; my settings\r\n"
            "[Other]\r\n"
            "keep=1 ; not a comment here\r\n"
            "\r\n"
            "[vorix]\r\n"
            "FrameRate=667111\r\n"
            "; a note inside\r\n"
            "SaveVideo=D:\\Capture\r\n"
            "TimeLimit=10\r\n"
            "\r\n"
            "[Last]\r\n"
            "z=9\r\n"
            "[New]\r\n"
            "a=b\r\n");

  ASSERT_TRUE(WriteProfileString("vorix", "SaveVideo", nullptr));
  ASSERT_TRUE(WriteProfileString("Other", nullptr, nullptr));
  EXPECT_EQ(Get("vorix", "SaveVideo", "gone"), "gone");
  EXPECT_EQ(Get("Other", "keep", "gone"), "gone");
  EXPECT_EQ(Get("Last", "z"), "9");
  EXPECT_EQ(Get("vorix", "FrameRate"), "667111");
}

TEST_F(Profile, RefusesTextThatWouldForgeLines) {
  Write("[vorix]\nSaveVideo=C:\\x\\\n");
  const std::string before = Text();
  EXPECT_FALSE(WriteProfileString("vorix", "SaveVideo", "C:\\x\\\n[evil]\nk=v"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(WriteProfileString("vorix", "a=b", "c"));
  EXPECT_FALSE(WriteProfileString("vo]rix", "a", "c"));
  EXPECT_FALSE(WriteProfileString("vorix\r", "a", "c"));
  EXPECT_FALSE(WriteProfileString(nullptr, "a", "c"));
  EXPECT_EQ(Text(), before);
}

TEST_F(Profile, AFailedSaveLeavesTheOldFileAndSaysSo) {
  Write("[vorix]\nTimeLimit=10\n");
  const std::string before = Text();

  BOOL ok;
  DWORD error;
  {
    orvane::test::FileSizeLimit limit(64);  // a full disk, also for root
    ok = WriteProfileString("vorix", "SaveVideo", std::string(200, 'x').c_str());
    error = GetLastError();
  }

  EXPECT_FALSE(ok);
  EXPECT_NE(error, 0u);
  EXPECT_EQ(Text(), before);
  // No temporary file is left behind.
  for (const auto& entry : fs::directory_iterator(m_prefix.root()))
    EXPECT_EQ(entry.path().filename().string().find(".saving-"), std::string::npos) << entry;

  if (geteuid() != 0) {
    fs::permissions(m_prefix.root(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(WriteProfileString("vorix", "TimeLimit", "20"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    fs::permissions(m_prefix.root(), fs::perms::owner_all);
    EXPECT_EQ(Text(), before);
  }
}

// Another program stuck holding the profile's lock: the save gives up within
// seconds, as a program must still be able to end, and changes nothing; once
// the lock is free again, saves go through.
TEST_F(Profile, ALockHeldByAStuckProgramFailsTheSaveInSecondsAndLeavesTheFile) {
  Write("[vorix]\nTimeLimit=10\n");
  const std::string before = Text();
  const int held = ::open(m_prefix.path("win.ini.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(held, 0);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  // A program's save at its exit, key by key: seconds for all of them.
  const auto start = std::chrono::steady_clock::now();
  for (const char* key : {"TimeLimit", "UseTimeLimit", "SecurityTime", "SaveVideo"}) {
    EXPECT_FALSE(WriteProfileString("vorix", key, "20"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(Text(), before);
  ::close(held);
  EXPECT_TRUE(WriteProfileString("vorix", "TimeLimit", "20"));
  EXPECT_EQ(GetProfileInt("vorix", "TimeLimit", 0), 20u);
}

TEST_F(Profile, FollowsALinkedProfileInsteadOfReplacingTheLink) {
  WriteHostFile(m_prefix.path("real/win.ini"), "[a]\nb=c\n");
  fs::create_symlink(m_prefix.path("real/win.ini"), m_prefix.path("win.ini"));
  ASSERT_TRUE(WriteProfileString("a", "b", "d"));
  EXPECT_TRUE(fs::is_symlink(m_prefix.path("win.ini")));
  EXPECT_EQ(ReadHostFile(m_prefix.path("real/win.ini")), "[a]\nb=d\n");
}

TEST_F(Profile, ASaveNeverWritesWhatTheReaderRefusesNorLocksBesideADevice) {
  // At the reader's line limit, a save that adds a line is refused and the
  // profile still reads.
  std::string full = "[vorix]\nTimeLimit=10\n";
  for (int line = 2; line < 65536; ++line) full += ";\n";
  Write(full);
  EXPECT_FALSE(WriteProfileString("vorix", "SaveVideo", "c:\\"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
  EXPECT_EQ(GetProfileInt("vorix", "TimeLimit", 0), 10u);
  EXPECT_TRUE(WriteProfileString("vorix", "TimeLimit", "20")) << "a change in place still goes";

  // A profile linked to a device is neither written nor given a lock file.
  fs::remove(m_prefix.path("win.ini"));
  fs::create_symlink("/dev/null", m_prefix.path("win.ini"));
  EXPECT_FALSE(WriteProfileString("vorix", "TimeLimit", "20"));
  EXPECT_FALSE(fs::exists("/dev/null.lock"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(Profile, CorruptFilesReadAsWindowsReadsThem) {
  std::string binary = "\x01\x02\xff\xfe garbage\n[vorix]\n";
  binary += std::string("Nul=a\0b\n", 8);
  binary += "Bin=\x80\x81\xfe\n";
  binary += "Long=" + std::string(1 << 20, 'L') + "\n";
  binary += "Cr=classic\rMac=yes\r";
  binary += "[vorix]\nTimeLimit=99\nLate=dup section\n";
  binary += "[Tail]\nlast=no newline";
  Write(binary);

  EXPECT_EQ(Get("vorix", "Nul"), "a");  // the caller's string ends at the NUL
  EXPECT_EQ(Get("vorix", "Bin"), "\x80\x81\xfe");
  EXPECT_EQ(Get("vorix", "Long", "", 260), std::string(259, 'L'));
  EXPECT_EQ(Get("vorix", "Cr"), "classic");
  EXPECT_EQ(Get("vorix", "Mac"), "yes");
  // Only the first of two sections with one name is read.
  EXPECT_EQ(Get("vorix", "Late", "none"), "none");
  EXPECT_EQ(Get("Tail", "last"), "no newline");
  EXPECT_EQ(GetProfileInt("vorix", "TimeLimit", 10), 10u);

  // A save rewrites only what it changes; the odd bytes survive.
  ASSERT_TRUE(WriteProfileString("vorix", "TimeLimit", "5"));
  std::string after = Text();
  EXPECT_NE(after.find(std::string("Nul=a\0b", 7)), std::string::npos);
  EXPECT_NE(after.find("Long=" + std::string(1 << 20, 'L')), std::string::npos);
  EXPECT_EQ(GetProfileInt("vorix", "TimeLimit", 10), 5u);
}

namespace {

constexpr uid_t kNobody = 65534;

// Runs body as a user who may not read the profile: when this process is
// root (root reads every file) a child that became "nobody", in a folder it
// owns, so that only the read is refused; otherwise here, with the file made
// unreadable. The result is body's.
bool AsUserWhoCannotRead(const TempPrefix& prefix, bool (*body)()) {
  const std::string file = prefix.path("win.ini");
  if (geteuid() != 0) {
    fs::permissions(file, fs::perms::none);
    const bool result = body();
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    return result;
  }
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  if (::chown(prefix.root().c_str(), kNobody, kNobody) != 0) return false;
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(2);
    ::_exit(body() ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ::chown(prefix.root().c_str(), 0, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool DefaultsAndARefusedSave() {
  return GetProfileInt("vorix", "TimeLimit", 10) == 10 &&
         !WriteProfileString("vorix", "TimeLimit", "5") && GetLastError() != ERROR_SUCCESS;
}

std::string Utf16(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace

TEST_F(Profile, AProfileThatCannotBeReadGivesDefaultsAndIsNeverReplaced) {
  const std::string file = m_prefix.path("win.ini");
  const std::string saved = "[vorix]\nTimeLimit=7\nSaveVideo=D:\\\n";

  // No permission: the save used to replace the whole file by one key.
  Write(saved);
  EXPECT_TRUE(AsUserWhoCannotRead(m_prefix, DefaultsAndARefusedSave));
  EXPECT_EQ(Text(), saved);

  // Past the size limit (4 MiB): refused, not read into memory.
  Write(saved);
  fs::resize_file(file, (std::size_t{4} << 20) + 1);
  EXPECT_TRUE(DefaultsAndARefusedSave());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
  EXPECT_EQ(fs::file_size(file), (std::size_t{4} << 20) + 1);

  // Nothing but line breaks: each line costs memory, so lines are counted too.
  Write(saved + std::string(70000, '\n'));
  EXPECT_TRUE(DefaultsAndARefusedSave());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_TOO_LARGE));

  // Not a regular file: a FIFO (which used to hang the read) and a folder.
  fs::remove(file);
  ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
  EXPECT_TRUE(DefaultsAndARefusedSave());
  EXPECT_TRUE(fs::is_fifo(file));
  fs::remove(file);
  fs::create_directory(file);
  EXPECT_TRUE(DefaultsAndARefusedSave());
  EXPECT_TRUE(fs::is_directory(file));
  fs::remove(file);

  // UTF-16 that does not decode (a lone surrogate) is not rewritten as UTF-8.
  const std::string broken = Utf16(u"[vorix]\r\nTimeLimit=7\r\n;") + std::string("\x00\xD8", 2);
  Write(broken);
  EXPECT_TRUE(DefaultsAndARefusedSave());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(Text(), broken);

  // Only a missing file reads as empty and is created by a save.
  fs::remove(file);
  EXPECT_TRUE(WriteProfileString("vorix", "TimeLimit", "5"));
  EXPECT_EQ(Text(), "[vorix]\nTimeLimit=5\n");
}

TEST_F(Profile, SavesKeepLineEndingsEncodingAndMatchTrimmedNames) {
  // Every line keeps its own ending; added lines take the first line's.
  Write("[vorix]\r\nA=1\nB=2\rC=3\r\n");
  ASSERT_TRUE(WriteProfileString("vorix", "A", "9"));
  ASSERT_TRUE(WriteProfileString("vorix", "D", "4"));
  EXPECT_EQ(Text(), "[vorix]\r\nA=9\nB=2\rC=3\r\nD=4\r\n");

  // Names with blanks around them are the trimmed ones, never new entries.
  Write("[vorix]\nTimeLimit=10\n");
  ASSERT_TRUE(WriteProfileString(" vorix ", "\tTimeLimit ", "3"));
  EXPECT_EQ(Text(), "[vorix]\nTimeLimit=3\n");
  EXPECT_EQ(Get(" vorix", "TimeLimit "), "3");
  // Keys that would read back as a section or a comment are refused.
  for (const char* key : {"[x]", " ;x", "a=b"}) {
    EXPECT_FALSE(WriteProfileString("vorix", key, "1")) << key;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER)) << key;
  }
  EXPECT_EQ(Text(), "[vorix]\nTimeLimit=3\n");

  // A UTF-16 profile is read, and written back in UTF-16 with its endings.
  Write(Utf16(u"; \uC0AC\uC9C4\r\n[vorix]\r\nTimeLimit=7\r\n"));
  EXPECT_EQ(GetProfileInt("vorix", "TimeLimit", 10), 7u);
  ASSERT_TRUE(WriteProfileString("vorix", "SavePhoto", "C:\\\xEC\x82\xAC\xEC\xA7\x84\\"));
  EXPECT_EQ(Text(),
            Utf16(u"; \uC0AC\uC9C4\r\n[vorix]\r\nTimeLimit=7\r\nSavePhoto=C:\\\uC0AC\uC9C4\\\r\n"));
  EXPECT_EQ(Get("vorix", "SavePhoto"), "C:\\\xEC\x82\xAC\xEC\xA7\x84\\");
  // Bytes that are not UTF-8 have no UTF-16 form: refused, never mixed in.
  const std::string before = Text();
  EXPECT_FALSE(WriteProfileString("vorix", "Bad", "\xFF"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
  EXPECT_EQ(Text(), before);
}

TEST_F(Profile, TwoProgramsSavingAtOnceLoseNoKeyAndCrashLeftoversGo) {
  constexpr int kKeys = 60;
  WriteHostFile(m_prefix.path("win.ini.saving-Ab12Cd"), "left by a crash");
  WriteHostFile(m_prefix.path("win.ini.saving-notours"), "a user's file");
  pid_t children[2];
  for (int c = 0; c < 2; ++c) {
    children[c] = ::fork();
    if (children[c] == 0) {
      for (int k = 0; k < kKeys; ++k) {
        const std::string key = std::string(1, static_cast<char>('A' + c)) + std::to_string(k);
        if (!WriteProfileString("vorix", key.c_str(), "1")) ::_exit(1);
      }
      ::_exit(0);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  int found = 0;
  for (int c = 0; c < 2; ++c)
    for (int k = 0; k < kKeys; ++k) {
      const std::string key = std::string(1, static_cast<char>('A' + c)) + std::to_string(k);
      found += GetProfileInt("vorix", key.c_str(), 0) == 1;
    }
  EXPECT_EQ(found, 2 * kKeys);
  EXPECT_FALSE(orvane::test::HostExists(m_prefix.path("win.ini.saving-Ab12Cd")));
  EXPECT_TRUE(orvane::test::HostExists(m_prefix.path("win.ini.saving-notours")));
}
