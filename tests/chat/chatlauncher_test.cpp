#include "chat/chatlauncher.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <chrono>
#include <cstring>

#include "tests/support/recordingboxes.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using orvane::test::HostExists;
using orvane::test::ReadHostFile;
using orvane::test::RecordingMessageBoxes;
using orvane::test::TempPrefix;
using orvane::test::WriteHostFile;
using orvane::test::WriteScript;

namespace {

const char kHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";
const char kNetMeetingKey[] = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Conferencing]\r\n";
const char kCUSeeMeKey[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
    "Paths\\CUSEEM32.EXE]\r\n";

class Chat : public ::testing::Test {
 protected:
  void Registry(const std::string& body) {
    WriteHostFile(m_prefix.path("registry.reg"), kHeader + body);
  }
  // A chat program that records its arguments, runs for a while and ends with
  // a failure code that the launcher must ignore.
  void StandIn(const std::string& windowsDir, const std::string& exe) {
    std::string host = m_prefix.driveC() + "/" + windowsDir + "/" + exe;
    WriteScript(host, "printf '%s\\n' \"$@\" > '" + m_prefix.path(exe + ".args") +
                          "'\nsleep 0.3\ntouch '" + m_prefix.path(exe + ".ended") + "'\nexit 7");
  }

  TempPrefix m_prefix;
  RecordingMessageBoxes m_boxes;
};

}  // namespace

TEST_F(Chat, InstallPathReadsOnlyTextValuesThatFit) {
  struct Case {
    std::string body;
    int kind;
    DWORD size;
    int length;
    std::string text;
  } cases[] = {
      {std::string(kNetMeetingKey) +
           "\"InstallationDirectory\"=\"C:\\\\Program Files\\\\NetMeeting\"\r\n",
       chat::kNetMeeting, 200, 27, "C:\\Program Files\\NetMeeting"},
      {std::string(kNetMeetingKey) + "\"installationdirectory\"=\"D:\\\\NM\"\r\n",
       chat::kNetMeeting, 200, 5, "D:\\NM"},
      {std::string(kCUSeeMeKey) + "\"Path\"=\"C:\\\\CU\"\r\n", chat::kCUSeeMe, 200, 5, "C:\\CU"},
      // an expandable string is not REG_SZ
      {std::string(kCUSeeMeKey) + "\"Path\"=hex(2):43,00,3a,00,5c,00,43,00,55,00,00,00\r\n",
       chat::kCUSeeMe, 200, 0, ""},
      {std::string(kNetMeetingKey) + "\"InstallationDirectory\"=dword:00000001\r\n",
       chat::kNetMeeting, 200, 0, ""},
      {std::string(kNetMeetingKey) + "\"Other\"=\"x\"\r\n", chat::kNetMeeting, 200, 0, ""},
      {"", chat::kNetMeeting, 200, 0, ""},
      // longer than the buffer
      {std::string(kNetMeetingKey) + "\"InstallationDirectory\"=\"" + std::string(200, 'a') +
           "\"\r\n",
       chat::kNetMeeting, 200, 0, ""},
      {std::string(kNetMeetingKey) + "\"InstallationDirectory\"=\"" + std::string(199, 'a') +
           "\"\r\n",
       chat::kNetMeeting, 200, 199, std::string(199, 'a')},
      {std::string(kNetMeetingKey) + "\"InstallationDirectory\"=\"C:\\\\x\"\r\n", 2, 200, 0, ""},
      // a value of length 0, and one without its terminating zero
      {std::string(kNetMeetingKey) + "\"InstallationDirectory\"=hex(1):\r\n", chat::kNetMeeting,
       200, 0, ""},
      {std::string(kNetMeetingKey) + "\"InstallationDirectory\"=hex(1):43,00,3a,00\r\n",
       chat::kNetMeeting, 200, 2, "C:"},
      {std::string(kNetMeetingKey) + "\"InstallationDirectory\"=hex(1):43,00,3a,00\r\n",
       chat::kNetMeeting, 2, 0, ""},
  };
  for (const Case& tc : cases) {
    Registry(tc.body);
    char buffer[chat::kInstallPathSize];
    std::memset(buffer, 'Z', sizeof buffer);
    EXPECT_EQ(chat::GetInstallPath(buffer, tc.size, tc.kind), tc.length) << tc.body;
    EXPECT_EQ(std::string(buffer), tc.text) << tc.body;
  }
}

TEST(ChatCommandLine, AppendsTheExecutableUnquoted) {
  char line[chat::kCommandLineSize];
  chat::FormatChatCommandLine(chat::kNetMeeting, "C:\\Program Files\\NetMeeting", line);
  EXPECT_STREQ(line, "C:\\Program Files\\NetMeeting\\conf.exe");
  chat::FormatChatCommandLine(chat::kCUSeeMe, "", line);
  EXPECT_STREQ(line, "\\cuseem32.exe");
  std::string longest(199, 'd');
  chat::FormatChatCommandLine(chat::kCUSeeMe, longest.c_str(), line);
  EXPECT_EQ(std::string(line), longest + "\\cuseem32.exe");
}

TEST_F(Chat, RunsTheProgramAndWaitsForItsEnd) {
  Registry(std::string(kNetMeetingKey) +
           "\"InstallationDirectory\"=\"C:\\\\Program Files\\\\NetMeeting\"\r\n");
  StandIn("Program Files/NetMeeting", "conf.exe");
  // Planted where an unquoted path with a blank could be misread.
  WriteScript(m_prefix.driveC() + "/Program", "touch '" + m_prefix.path("planted") + "'");
  WriteScript(m_prefix.driveC() + "/Program.exe", "touch '" + m_prefix.path("planted") + "'");

  QWidget owner;
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(chat::RunChatProgram(chat::kNetMeeting, &owner));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(250));
  EXPECT_TRUE(HostExists(m_prefix.path("conf.exe.ended")));       // returned only after the end
  EXPECT_EQ(ReadHostFile(m_prefix.path("conf.exe.args")), "\n");  // no arguments
  EXPECT_FALSE(HostExists(m_prefix.path("planted")));
  EXPECT_TRUE(m_boxes.events().empty());
}

TEST_F(Chat, SaysSoWhenTheProgramIsNotThere) {
  QWidget owner;
  struct Case {
    std::string body;
    int kind;
    const char* text;
  } cases[] = {
      {"", chat::kNetMeeting, "NetMeeting is not installed !!!"},
      {"", chat::kCUSeeMe, "CUSeeMe is not installed !!!"},
      // the entry exists, the program does not
      {std::string(kNetMeetingKey) + "\"InstallationDirectory\"=\"C:\\\\Gone\"\r\n",
       chat::kNetMeeting, "NetMeeting is not installed !!!"},
      {std::string(kCUSeeMeKey) + "\"Path\"=hex(2):43,00,3a,00,00,00\r\n", chat::kCUSeeMe,
       "CUSeeMe is not installed !!!"},
  };
  // Without an entry the command would be "\conf.exe" at the drive's root:
  // a program planted there must not run.
  WriteScript(m_prefix.driveC() + "/conf.exe", "touch '" + m_prefix.path("planted") + "'");
  WriteScript(m_prefix.driveC() + "/cuseem32.exe", "touch '" + m_prefix.path("planted") + "'");
  for (const Case& tc : cases) {
    Registry(tc.body);
    m_boxes.clear();
    EXPECT_FALSE(chat::RunChatProgram(tc.kind, &owner));
    ASSERT_EQ(m_boxes.boxes().size(), 1u);
    EXPECT_EQ(m_boxes.boxes()[0].text, tc.text);
    EXPECT_EQ(m_boxes.boxes()[0].style, MB_OK);
    EXPECT_EQ(m_boxes.boxes()[0].owner, &owner);
  }
  EXPECT_FALSE(HostExists(m_prefix.path("planted")));
}
