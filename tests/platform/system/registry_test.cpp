#include "platform/system/registry.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QString>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/system/prefix.h"
#include "tests/support/testfiles.h"
#include "tests/support/testprefix.h"

namespace {

using orvane::test::TempPrefix;
using orvane::test::WriteHostFile;

constexpr char kHeader[] = "Windows Registry Editor Version 5.00\r\n\r\n";

struct Read {
  LONG rc = -1;
  DWORD type = 0xFFFF;
  std::string data;
};

// Opens key under root and reads the value in two steps, as callers do.
Read ReadValue(HKEY root, const char* key, const char* value) {
  Read r;
  HKEY k = nullptr;
  r.rc = RegOpenKeyEx(root, key, 0, KEY_QUERY_VALUE, &k);
  if (r.rc != ERROR_SUCCESS) return r;
  DWORD size = 0;
  r.rc = RegQueryValueEx(k, value, nullptr, &r.type, nullptr, &size);
  if (r.rc == ERROR_SUCCESS) {
    r.data.resize(size);
    r.rc =
        RegQueryValueEx(k, value, nullptr, &r.type, reinterpret_cast<LPBYTE>(r.data.data()), &size);
    r.data.resize(size);
  }
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
  return r;
}

// The text RegQueryValue gives for the default value of key under root.
std::string DefaultOf(HKEY root, const char* key, LONG* rc) {
  char buf[260] = "unchanged";
  LONG size = sizeof buf;
  *rc = RegQueryValue(root, key, buf, &size);
  return *rc == ERROR_SUCCESS ? std::string(buf, static_cast<std::size_t>(size - 1)) : "";
}

class RegistryTest : public ::testing::Test {
 protected:
  void Write(const std::string& bytes) { WriteHostFile(orvane::prefix::RegistryPath(), bytes); }

  TempPrefix m_prefix;
};

TEST_F(RegistryTest, ValueFormatsGiveTheirTypeAndBytes) {
  Write(std::string(kHeader) +
        "; exported\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Lumitrex]\r\n"
        "@=\"def\"\r\n"
        "\"Str\"=\"a \\\"q\\\" C:\\\\dir\\x\"\r\n"
        "\"Empty\"=\"\"\r\n"
        "\"Num\"=dword:0000001f\r\n"
        "\"Bin\"=hex:01,02,ff\r\n"
        "\"Exp\"=hex(2):25,00,41,00,25,00,00,00\r\n"
        "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"Quad\"=hex(b):01,00,00,00,00,00,00,80\r\n"
        "\"None\"=hex(0):\r\n"
        "\"Long\"=hex:01,02,\\\r\n"
        "  03,\\\n"
        "  04\r\n");
  const struct {
    const char* name;
    DWORD type;
    std::string data;
  } cases[] = {
      {"", REG_SZ, std::string("def\0", 4)},
      {nullptr, REG_SZ, std::string("def\0", 4)},
      {"str", REG_SZ, std::string("a \"q\" C:\\dir\\x\0", 15)},
      {"EMPTY", REG_SZ, std::string("\0", 1)},
      {"Num", REG_DWORD, std::string("\x1f\0\0\0", 4)},
      {"Bin", REG_BINARY, "\x01\x02\xff"},
      {"Exp", REG_EXPAND_SZ, std::string("%A%\0", 4)},
      {"Multi", REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
      {"Quad", REG_QWORD, std::string("\x01\0\0\0\0\0\0\x80", 8)},
      {"None", REG_NONE, ""},
      {"Long", REG_BINARY, "\x01\x02\x03\x04"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name ? c.name : "(null)");
    Read r = ReadValue(HKEY_LOCAL_MACHINE, "software\\LUMITREX", c.name);
    ASSERT_EQ(r.rc, ERROR_SUCCESS);
    EXPECT_EQ(r.type, c.type);
    EXPECT_EQ(r.data, c.data);
  }
}

TEST_F(RegistryTest, EncodingsAndHeaders) {
  // Key "Été": names fold beyond ASCII too.
  const std::string body = "[HKLM\\\xC3\x89t\xC3\xA9]\n\"V\"=\"Caf\xC3\xA9\"\n";
  std::u16string wide = QString::fromUtf8((kHeader + body).c_str()).toStdU16String();
  std::string utf16le = "\xFF\xFE";
  for (char16_t u : wide) utf16le += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
  const struct {
    const char* what;
    std::string file;
    bool loaded;
  } cases[] = {
      {"utf-16le", utf16le, true},
      {"utf-8 bom", "\xEF\xBB\xBF" + std::string(kHeader) + body, true},
      {"regedit4", "REGEDIT4\n" + body, true},
      {"trailing blanks", "Windows Registry Editor Version 5.00  \n" + body, true},
      {"no header", body, false},
      // Hand-written files may start with blanks; that does not empty them.
      {"header late", "\n  \r\n " + std::string(kHeader) + body, true},
      {"other version", "Windows Registry Editor Version 4.00\n" + body, false},
      {"utf-16 no bom", utf16le.substr(2), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(c.file);
    Read r = ReadValue(HKEY_LOCAL_MACHINE, "\xC3\xA9T\xC3\x89", "v");
    if (c.loaded) {
      EXPECT_EQ(r.rc, ERROR_SUCCESS);
      EXPECT_EQ(r.data, std::string("Caf\xC3\xA9\0", 6));
    } else {
      EXPECT_EQ(r.rc, ERROR_FILE_NOT_FOUND);
    }
  }
}

TEST_F(RegistryTest, StringHexFollowsTheFileVersion) {
  // 5.00 writes the bytes of strings in UTF-16LE, REGEDIT4 in the code page.
  Write("REGEDIT4\n[HKLM\\K]\n\"E\"=hex(2):25,41,25,00\n");
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "K", "E").data, std::string("%A%\0", 4));
  Write(std::string(kHeader) + "[HKLM\\K]\n\"E\"=hex(2):e9,00,00,00\n");
  Read r = ReadValue(HKEY_LOCAL_MACHINE, "K", "E");
  EXPECT_EQ(r.type, REG_EXPAND_SZ);
  EXPECT_EQ(r.data, std::string("\xC3\xA9\0", 3));
}

TEST_F(RegistryTest, DeletionsRemoveKeysAndValues) {
  Write(std::string(kHeader) +
        "[HKLM\\A\\B\\C]\n\"v\"=\"1\"\n"
        "[HKLM\\A\\D]\n\"keep\"=\"1\"\n\"gone\"=\"1\"\n"
        "[-HKLM\\a\\b]\n"
        "[HKLM\\A\\D]\n\"GONE\"=-\n"
        "[HKLM\\SOFTWARE\\Classes\\.old]\n@=\"x\"\n\"w\"=\"1\"\n"
        "[HKLM\\SOFTWARE\\Classes\\.htm]\n\"w\"=\"1\"\n"
        "[-HKEY_CLASSES_ROOT\\.old]\n"
        "[HKEY_CLASSES_ROOT\\.htm]\n\"w\"=-\n"
        "[-HKLM]\n"
        "[HKLM\\A\\B\\E]\n");
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "A\\B\\C", &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(k, nullptr);
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "A\\B\\E", &k), ERROR_SUCCESS);
  RegCloseKey(k);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "A\\D", "keep").rc, ERROR_SUCCESS);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "A\\D", "gone").rc, ERROR_FILE_NOT_FOUND);
  // Deleting through HKEY_CLASSES_ROOT reaches what it shows from HKLM.
  EXPECT_EQ(RegOpenKey(HKEY_CLASSES_ROOT, ".old", &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, ".htm", "w").rc, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ClassesRootShowsMachineClassesAfterItsOwn) {
  Write(std::string(kHeader) +
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.htm]\n@=\"machine\"\n\"Only\"=\"m\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\htmlfile\\shell\\open\\command]\n"
        "@=\"\\\"C:\\\\b.exe\\\" \\\"%1\\\"\"\n"
        "[HKEY_CLASSES_ROOT\\.htm]\n@=\"htmlfile\"\n");
  LONG rc = -1;
  EXPECT_EQ(DefaultOf(HKEY_CLASSES_ROOT, ".htm", &rc), "htmlfile");
  EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, ".HTM", "only").data, std::string("m\0", 2));
  EXPECT_EQ(DefaultOf(HKEY_CLASSES_ROOT, "htmlfile\\shell\\open\\command", &rc),
            "\"C:\\b.exe\" \"%1\"");
  EXPECT_EQ(rc, ERROR_SUCCESS);
  EXPECT_EQ(DefaultOf(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\.htm", &rc), "machine");
}

TEST_F(RegistryTest, OpenKeyPaths) {
  Write(std::string(kHeader) + "[HKLM\\SOFTWARE\\Microsoft\\Conferencing]\n");
  const struct {
    const char* subKey;
    LONG rc;
  } cases[] = {
      {"SOFTWARE\\Microsoft\\Conferencing\\", ERROR_SUCCESS},
      {"software\\MICROSOFT\\conferencing", ERROR_SUCCESS},
      {"SOFTWARE", ERROR_SUCCESS},
      {"", ERROR_SUCCESS},
      {nullptr, ERROR_SUCCESS},
      {"\\SOFTWARE", ERROR_BAD_PATHNAME},
      {"\\", ERROR_BAD_PATHNAME},
      {"SOFTWARE\\\\Microsoft", ERROR_BAD_PATHNAME},
      {"SOFTWARE\\Missing", ERROR_FILE_NOT_FOUND},
      {"SOFTWARE\\Microsoft\\Conferencing\\Deeper", ERROR_FILE_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subKey ? c.subKey : "(null)");
    HKEY k = HKEY_USERS;
    EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, c.subKey, &k), c.rc);
    if (c.rc == ERROR_SUCCESS)
      EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    else
      EXPECT_EQ(k, nullptr);
  }
  // Relative to an opened key, and the same key again with no subkey.
  HKEY soft = nullptr, again = nullptr, conf = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "Software", &soft), ERROR_SUCCESS);
  ASSERT_EQ(RegOpenKey(soft, "", &again), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKey(again, "Microsoft\\Conferencing", &conf), ERROR_SUCCESS);
  for (HKEY k : {soft, again, conf}) EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(RegistryTest, WriteAccessIsRefused) {
  Write(std::string(kHeader) + "[HKLM\\K]\n");
  const struct {
    REGSAM desired;
    LONG rc;
  } cases[] = {
      {KEY_QUERY_VALUE, ERROR_SUCCESS},
      {KEY_READ, ERROR_SUCCESS},
      {0, ERROR_SUCCESS},
      {0x0002, ERROR_ACCESS_DENIED},
      {0x0004, ERROR_ACCESS_DENIED},
      {0xF003F, ERROR_ACCESS_DENIED},
      {0x20006, ERROR_ACCESS_DENIED},
      {0x40000000, ERROR_ACCESS_DENIED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.desired);
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "K", 0, c.desired, &k), c.rc);
    if (k) RegCloseKey(k);
  }
}

TEST_F(RegistryTest, HandleMisuseIsRefused) {
  Write(std::string(kHeader) + "[HKLM\\K]\n\"v\"=\"x\"\n");
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "K", &k), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueEx(k, "v", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
  HKEY sub = nullptr;
  EXPECT_EQ(RegOpenKey(k, "", &sub), ERROR_INVALID_HANDLE);
  LONG textSize = 0;
  EXPECT_EQ(RegQueryValue(k, nullptr, nullptr, &textSize), ERROR_INVALID_HANDLE);
  // A fresh handle is not the closed one come back.
  HKEY next = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "K", &next), ERROR_SUCCESS);
  EXPECT_NE(next, k);
  EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(next), ERROR_SUCCESS);
  for (HKEY bad : {static_cast<HKEY>(nullptr), reinterpret_cast<HKEY>(UINT_PTR{0x12345}),
                   reinterpret_cast<HKEY>(UINT_PTR{0x80000004})}) {
    EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKey(bad, "K", &sub), ERROR_INVALID_HANDLE);
  }
  for (HKEY root :
       {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS, HKEY_CURRENT_CONFIG})
    EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "K", nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, QueryValueExSizes) {
  Write(std::string(kHeader) + "[HKLM\\K]\n\"Dir\"=\"C:\\\\Net\"\n");
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "K", &k), ERROR_SUCCESS);
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueEx(k, "dir", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 7u);  // "C:\Net" and its zero

  BYTE buf[16];
  std::memset(buf, 0xAA, sizeof buf);
  size = 6;
  EXPECT_EQ(RegQueryValueEx(k, "dir", nullptr, &type, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 7u);
  for (std::size_t i = 6; i < sizeof buf; ++i) EXPECT_EQ(buf[i], 0xAA) << i;

  size = 7;
  EXPECT_EQ(RegQueryValueEx(k, "dir", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "C:\\Net");
  EXPECT_EQ(buf[7], 0xAA);

  EXPECT_EQ(RegQueryValueEx(k, "dir", nullptr, &type, buf, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueEx(k, "missing", nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueEx(k, nullptr, nullptr, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(RegistryTest, QueryValueReadsDefaultText) {
  Write(std::string(kHeader) +
        "[HKLM\\K]\n@=\"top\"\n"
        "[HKLM\\K\\Bare]\n\"named\"=\"x\"\n"
        "[HKLM\\K\\Num]\n@=dword:00000001\n"
        "[HKLM\\K\\Exp]\n@=hex(2):25,00,58,00,25,00,00,00\n");
  const struct {
    const char* subKey;
    LONG rc;
    std::string text;
  } cases[] = {
      {nullptr, ERROR_SUCCESS, "top"},
      {"", ERROR_SUCCESS, "top"},
      {"bare\\", ERROR_SUCCESS, ""},
      {"Exp", ERROR_SUCCESS, "%X%"},
      {"Num", 13 /* ERROR_INVALID_DATA */, ""},
      {"Missing", ERROR_FILE_NOT_FOUND, ""},
      {"\\Bare", ERROR_BAD_PATHNAME, ""},
  };
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "K", &k), ERROR_SUCCESS);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.subKey ? c.subKey : "(null)");
    LONG rc = -1;
    EXPECT_EQ(DefaultOf(k, c.subKey, &rc), c.text);
    EXPECT_EQ(rc, c.rc);
  }
  LONG size = 0;
  EXPECT_EQ(RegQueryValue(k, "Bare", nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 1);
  EXPECT_EQ(RegQueryValue(k, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 4);
  char buf[8] = "zzzzzzz";
  size = 3;
  EXPECT_EQ(RegQueryValue(k, nullptr, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 4);
  EXPECT_EQ(buf[3], 'z');
  EXPECT_EQ(RegQueryValue(k, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(RegistryTest, MalformedFilesGivePartialRegistries) {
  const std::string good = "[HKLM\\Good]\n\"v\"=\"ok\"\n";
  std::string deep = "[HKLM";
  while (deep.size() < (1 << 20)) deep += "\\a";
  const struct {
    const char* what;
    std::string bad;
  } cases[] = {
      {"garbage", "\x01\x02\xFF\xFE garbage ]]][[[ \"\"=\n"},
      {"nul bytes", std::string("[HKLM\\Bad\0x]\n\"v\0\"=\"\0\"\n", 22)},
      {"unterminated key", "[HKLM\\Bad\n\"v\"=\"no\"\n"},
      {"unknown root", "[HKEY_NOWHERE\\Bad]\n\"v\"=\"no\"\n"},
      {"unterminated name", "[HKLM\\Bad]\n\"v=\"no\"\n"},
      {"unterminated text", "[HKLM\\Bad]\n\"v\"=\"no\n"},
      {"junk after text", "[HKLM\\Bad]\n\"v\"=\"no\"x\n"},
      {"bad hex", "[HKLM\\Bad]\n\"v\"=hex:01,zz\n"},
      {"long hex byte", "[HKLM\\Bad]\n\"v\"=hex:123\n"},
      {"empty hex item", "[HKLM\\Bad]\n\"v\"=hex:01,,02\n"},
      {"bad hex type", "[HKLM\\Bad]\n\"v\"=hex(q):01\n"},
      {"bad dword", "[HKLM\\Bad]\n\"v\"=dword:123456789\n"},
      {"no data", "[HKLM\\Bad]\n\"v\"=\n"},
      {"megabyte line", "[HKLM\\Bad]\n\"v\"=\"" + std::string(1 << 20, 'x') + "\n"},
      {"megabyte hex", "[HKLM\\Bad]\n\"v\"=hex:" + std::string(1 << 20, '1') + "\n"},
      {"megabyte key", deep + "]\n\"v\"=\"no\"\n"},
      {"name too long", "[HKLM\\" + std::string(256, 'n') + "]\n\"v\"=\"no\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Write(std::string(kHeader) + c.bad + good);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "Bad", "v").rc, ERROR_FILE_NOT_FOUND);
    Read r = ReadValue(HKEY_LOCAL_MACHINE, "Good", "v");
    EXPECT_EQ(r.rc, ERROR_SUCCESS);
    EXPECT_EQ(r.data, std::string("ok\0", 3));
  }
}

TEST_F(RegistryTest, HandWrittenFilesFollowTheEditorsImportRules) {
  Write(std::string(kHeader) +
        "[HKLM\\K] ; a key\n"
        "\"commented\"=\"C:\\\\NM\" ; where it lives\n"
        "\"number\"=dword:00000002 ;two\n"
        "\"gone\"=- ; deleted before it was set\n"
        "\"list\"=hex:01,\\\n"
        "; a note inside the list\n"
        "\n"
        "  02,03\n"
        "\"stray\"=hex:01,02\\\n"
        "\"after\"=\"kept\"\n"
        "\"broken\"=hex:01,\\\n"
        "\"next\"=\"kept too\"\n"
        "\"exp\"=hex(2):25,00,41,00,25,00\n"
        "\"multi\"=hex(7):61,00\n"
        "\"multi1\"=hex(7):61,00,00,00\n"
        "\"sz\"=hex(1):43,00,3a,00\n"
        "\"junk\"=\"x\" y\n"
        "\"cr\"=\"one\"\r\"cr2\"=\"two\"\r");
  const struct {
    const char* name;
    DWORD type;
    std::string data;  // empty with type 0: no such value
  } cases[] = {
      {"commented", REG_SZ, std::string("C:\\NM\0", 6)},
      {"number", REG_DWORD, std::string("\2\0\0\0", 4)},
      {"gone", 0, ""},
      {"list", REG_BINARY, "\x01\x02\x03"},
      {"stray", 0, ""},  // a backslash not after a comma continues nothing
      {"after", REG_SZ, std::string("kept\0", 5)},
      {"broken", 0, ""},  // a value line cannot continue a list
      {"next", REG_SZ, std::string("kept too\0", 9)},
      {"exp", REG_EXPAND_SZ, std::string("%A%\0", 4)},
      {"multi", REG_MULTI_SZ, std::string("a\0\0", 3)},
      {"multi1", REG_MULTI_SZ, std::string("a\0\0", 3)},
      {"sz", REG_SZ, "C:"},  // plain hex strings stay as written
      {"junk", 0, ""},
      {"cr", REG_SZ, std::string("one\0", 4)},
      {"cr2", REG_SZ, std::string("two\0", 4)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Read r = ReadValue(HKEY_LOCAL_MACHINE, "K", c.name);
    if (c.type == 0) {
      EXPECT_EQ(r.rc, ERROR_FILE_NOT_FOUND);
      continue;
    }
    ASSERT_EQ(r.rc, ERROR_SUCCESS);
    EXPECT_EQ(r.type, c.type);
    EXPECT_EQ(r.data, c.data);
  }
}

TEST_F(RegistryTest, FilesThatWouldFillMemoryReadAsEmpty) {
  const std::string good = std::string(kHeader) + "[HKLM\\Good]\n\"v\"=\"ok\"\n";
  // 100 KiB of deep key paths would make 50,000 keys (about 10 MB).
  std::string deep = good;
  for (int line = 0; line < 100; ++line) {
    deep += "[HKLM\\k" + std::to_string(line);
    for (int level = 0; level < 500; ++level) deep += "\\a";
    deep += "]\n";
  }
  Write(deep);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "Good", "v").rc, ERROR_FILE_NOT_FOUND);
  // Past 16 MiB the file is not read at all.
  Write(good);
  std::filesystem::resize_file(orvane::prefix::RegistryPath(), (std::size_t{16} << 20) + 1);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "Good", "v").rc, ERROR_FILE_NOT_FOUND);
  Write(good);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "Good", "v").rc, ERROR_SUCCESS);
}

TEST_F(RegistryTest, TruncatedFilesKeepWhatCameBefore) {
  const std::string full =
      std::string(kHeader) + "[HKLM\\K]\n\"a\"=\"1\"\n\"b\"=hex:01,02,\\\n  03,04\n\"c\"=\"3\"\n";
  // Cut at every byte: never a crash, and "a" survives once its line is whole.
  const std::size_t aEnd = full.find("\"a\"=\"1\"") + 7;
  for (std::size_t cut = 0; cut <= full.size(); ++cut) {
    SCOPED_TRACE(cut);
    Write(full.substr(0, cut));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "K", "a").rc == ERROR_SUCCESS, cut >= aEnd);
  }
  // Ending inside the continued list drops the value rather than keep a part.
  Write(full.substr(0, full.find("  03")));
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "K", "b").rc, ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, RereadsTheFileWhenItChanges) {
  const std::string path = orvane::prefix::RegistryPath();
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "K", "v").rc, ERROR_FILE_NOT_FOUND);  // no file
  HKEY root = nullptr;
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "", &root), ERROR_SUCCESS);  // roots always exist
  RegCloseKey(root);

  Write(std::string(kHeader) + "[HKLM\\K]\n\"v\"=\"one\"\n");
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "K", &k), ERROR_SUCCESS);
  Write(std::string(kHeader) + "[HKLM\\K]\n\"v\"=\"three\"\n");
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueEx(k, "v", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);

  // Same size within one clock tick of the file times: the stamp does not move.
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  Write(std::string(kHeader) + "[HKLM\\K]\n\"v\"=\"THREE\"\n");
  timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "K", "v").data, std::string("THREE\0", 6));

  // Same size, old times: the nanoseconds of the modification time tell.
  Write(std::string(kHeader) + "[HKLM\\K]\n\"v\"=\"seven\"\n");
  times[1] = {1000000000, 123456789};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "K", "v").data, std::string("seven\0", 6));
  Write(std::string(kHeader) + "[HKLM\\K]\n\"v\"=\"eight\"\n");
  times[1].tv_nsec = 123456790;
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "K", "v").data, std::string("eight\0", 6));

  // The key went away under an open handle: it has no values left.
  Write(std::string(kHeader) + "[HKLM\\Other]\n");
  EXPECT_EQ(RegQueryValueEx(k, "v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);

  // Another prefix is another registry.
  {
    TempPrefix other;
    EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "Other", &k), ERROR_FILE_NOT_FOUND);
  }
  ASSERT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "Other", &k), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "Other", &k), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, RegistryPathThatIsNoFileReadsEmpty) {
  const std::string path = orvane::prefix::RegistryPath();
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);  // opening it for reading must not block
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "K", &k), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  ASSERT_EQ(mkdir(path.c_str(), 0700), 0);
  EXPECT_EQ(RegOpenKey(HKEY_LOCAL_MACHINE, "K", &k), ERROR_FILE_NOT_FOUND);
}

}  // namespace
