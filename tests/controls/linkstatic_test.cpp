#include "controls/linkstatic.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/system/shell.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

using orvane::test::HostExists;
using orvane::test::ReadHostFile;
using orvane::test::RecordingMessageBoxes;
using orvane::test::ScopedEnv;
using orvane::test::TempPrefix;
using orvane::test::WriteHostFile;
using orvane::test::WriteScript;

namespace {

const char kPrefix[] = "Unable to open hyperlink:\n\n";
const char kNoAssoc[] = "There is no application associated\nwith the given filename extension.";

// A desktop with a handler script of our own on a private PATH, and a
// browser stand-in on drive C: for the ".htm" fall-back.
class LinkTest : public ::testing::Test {
 protected:
  LinkTest() : m_path("PATH", m_prefix.path("bin")) {}

  void Handler(int exitCode) {
    WriteScript(m_prefix.path("bin/xdg-open"), "printf '%s\\n' \"$@\" > '" +
                                                   m_prefix.path("handler.args") + "'\nexit " +
                                                   std::to_string(exitCode));
  }
  void Browser() {
    WriteScript(m_prefix.driveC() + "/Web Browser/browser.exe",
                "printf '%s\\n' \"$@\" > '" + m_prefix.path("browser.tmp") + "'\n/bin/mv '" +
                    m_prefix.path("browser.tmp") + "' '" + m_prefix.path("browser.args") + "'");
  }
  void HtmCommand(const std::string& regCommand) {
    WriteHostFile(m_prefix.path("registry.reg"),
                  "Windows Registry Editor Version 5.00\r\n\r\n"
                  "[HKEY_CLASSES_ROOT\\.htm]\r\n@=\"htmlfile\"\r\n\r\n"
                  "[HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command]\r\n@=\"" +
                      regCommand + "\"\r\n");
  }
  // What the browser stand-in received; it runs without being waited for.
  std::string BrowserArgs() {
    const std::string file = m_prefix.path("browser.args");
    for (int i = 0; i < 200 && !HostExists(file); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return ReadHostFile(file);
  }

  TempPrefix m_prefix;
  ScopedEnv m_path;
  RecordingMessageBoxes m_boxes;
};

}  // namespace

TEST(LinkStaticText, EveryLaunchResultHasItsText) {
  struct Case {
    int code;
    const char* text;
  } cases[] = {
      {0, "The operating system is out\nof memory or resources."},
      {2, "The specified file was not found."},
      {3, "The specified path was not found."},
      {5, "The operating system denied\naccess to the specified file."},
      {8, "There was not enough memory to complete the operation."},
      {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
      {26, "A sharing violation occurred. "},
      {27, "The filename association is\nincomplete or invalid."},
      {28, "The DDE transaction could not\nbe completed because the request timed out."},
      {29, "The DDE transaction failed."},
      {30,
       "The DDE transaction could not\nbe completed because other DDE "
       "transactions\nwere being processed."},
      {31, kNoAssoc},
      {32, "The specified dynamic-link library was not found."},
      {1, "Unknown Error (1) occurred."},
      {4, "Unknown Error (4) occurred."},
      {-7, "Unknown Error (-7) occurred."},
  };
  for (const Case& tc : cases)
    EXPECT_EQ(CLinkStatic::OpenErrorText(tc.code), std::string(kPrefix) + tc.text) << tc.code;
}

TEST_F(LinkTest, ShellOpenSucceedsAndMarksVisited) {
  Handler(0);
  CLinkStatic link;
  link.SetLinkTarget("mailto:");
  link.SetUnderline(true);
  link.OpenLink();
  EXPECT_TRUE(link.visited());
  EXPECT_EQ(ReadHostFile(m_prefix.path("handler.args")), "mailto:\n");
  EXPECT_TRUE(m_boxes.events().empty());
}

TEST_F(LinkTest, NoHandlerAndNoHtmAssociationBeepsThenExplains) {
  Handler(3);  // the desktop knows no method for the target
  CLinkStatic link;
  link.SetVisited(true);
  link.SetLinkTarget("mailto:");
  link.OpenLink();
  EXPECT_FALSE(link.visited());
  ASSERT_EQ(m_boxes.events().size(), 2u);
  EXPECT_TRUE(m_boxes.events()[0].beep);
  EXPECT_EQ(m_boxes.events()[0].beepType, MB_ICONEXCLAMATION);
  EXPECT_EQ(m_boxes.events()[1].box.text, std::string(kPrefix) + kNoAssoc);
  EXPECT_EQ(m_boxes.events()[1].box.style, MB_ICONEXCLAMATION | MB_OK);
}

TEST_F(LinkTest, FallsBackToTheHtmOpenCommand) {
  Handler(3);
  Browser();
  struct Case {
    std::string regCommand;  // as escaped in the .reg file
    std::string args;        // what the browser receives, one per line
  } cases[] = {
      // program "%1": cut at the quote, then a blank and the target
      {"\\\"C:\\\\Web Browser\\\\browser.exe\\\" -nohome \\\"%1\\\"", "-nohome\nmailto:\n"},
      // bare %1: cut there; what followed it is dropped
      {"\\\"C:\\\\Web Browser\\\\browser.exe\\\" %1 --extra", "mailto:\n"},
      // no placeholder: the target goes at the end
      {"\\\"c:\\\\web browser\\\\BROWSER.EXE\\\" -new-window", "-new-window\nmailto:\n"},
  };
  for (const Case& tc : cases) {
    std::filesystem::remove(m_prefix.path("browser.args"));
    HtmCommand(tc.regCommand);
    m_boxes.clear();
    CLinkStatic link;
    link.SetLinkTarget("mailto:");
    link.OpenLink();
    EXPECT_TRUE(link.visited()) << tc.regCommand;
    EXPECT_EQ(BrowserArgs(), tc.args) << tc.regCommand;
    EXPECT_TRUE(m_boxes.events().empty());
  }
}

TEST_F(LinkTest, AFailedFallBackReportsItsOwnResult) {
  Handler(3);
  HtmCommand("\\\"C:\\\\No Browser\\\\browser.exe\\\" \\\"%1\\\"");
  CLinkStatic link;
  link.SetLinkTarget("http://example.invalid/");
  link.OpenLink();
  EXPECT_FALSE(link.visited());
  ASSERT_EQ(m_boxes.texts().size(), 1u);
  EXPECT_EQ(m_boxes.texts()[0], std::string(kPrefix) + "The specified path was not found.");
  EXPECT_EQ(m_boxes.beeps(), 1);
}

TEST_F(LinkTest, UnusableHtmEntriesLeaveTheShellResult) {
  Handler(3);
  Browser();
  const std::string longValue(300, 'x');
  const std::string files[] = {
      // .htm names a type that has no open command
      "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\.htm]\n@=\"htmlfile\"\n",
      // .htm exists without a default value
      "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\.htm]\n\"x\"=\"y\"\n",
      // a command key without a command
      "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\.htm]\n@=\"htmlfile\"\n"
      "[HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command]\n@=\"\"\n",
      // a type name longer than the value buffer
      "Windows Registry Editor Version 5.00\n[HKEY_CLASSES_ROOT\\.htm]\n@=\"" + longValue + "\"\n",
  };
  for (const std::string& file : files) {
    WriteHostFile(m_prefix.path("registry.reg"), file);
    EXPECT_EQ(CLinkStatic::ShellOpen("mailto:", SW_SHOW), SE_ERR_NOASSOC) << file;
  }
  EXPECT_FALSE(HostExists(m_prefix.path("browser.args")));
}

TEST_F(LinkTest, ACommandThatDoesNotFitIsNotCut) {
  Handler(3);
  Browser();
  HtmCommand("\\\"C:\\\\Web Browser\\\\browser.exe\\\" " + std::string(200, 'a') + " \\\"%1\\\"");
  // The command cut before "%1" holds 230 bytes; with a blank and a 289-byte
  // target it needs 520, one more than the buffer has for text.
  const std::string target = "http://" + std::string(282, 't');
  EXPECT_EQ(CLinkStatic::ShellOpen(target.c_str(), SW_SHOW), SE_ERR_NOASSOC);
  EXPECT_FALSE(HostExists(m_prefix.path("browser.args")));
  // One byte shorter fits, and the browser gets the whole target.
  const std::string fits = target.substr(0, target.size() - 1);
  EXPECT_GT(CLinkStatic::ShellOpen(fits.c_str(), SW_SHOW), 32);
  EXPECT_EQ(BrowserArgs(), std::string(200, 'a') + "\n" + fits + "\n");
}

TEST_F(LinkTest, QueryRegDefaultReadsOnlyTheDefaultValue) {
  HtmCommand("cmd");
  char out[CLinkStatic::kValueBufferSize] = "stale";
  EXPECT_EQ(CLinkStatic::QueryRegDefault(HKEY_CLASSES_ROOT, ".HTM", out), ERROR_SUCCESS);
  EXPECT_STREQ(out, "htmlfile");
  EXPECT_EQ(CLinkStatic::QueryRegDefault(HKEY_CLASSES_ROOT, ".html", out), ERROR_FILE_NOT_FOUND);
  EXPECT_STREQ(out, "htmlfile");  // untouched on failure
}

TEST_F(LinkTest, AnAttachedLabelShowsUnderlineAndVisited) {
  Handler(0);
  QLabel label("Mail");
  CLinkStatic link;
  link.Attach(&label);
  link.SetUnderline(false);
  EXPECT_FALSE(label.font().underline());
  link.SetUnderline(true);
  EXPECT_TRUE(label.font().underline());
  const QString fresh = label.styleSheet();
  link.SetLinkTarget("mailto:");
  link.OpenLink();
  EXPECT_NE(label.styleSheet(), fresh);
}
