// The win.ini reader and writer on a hostile profile: reads of every kind,
// then a save that must keep the file a profile.
#include <string>

#include "fuzz/fuzztarget.h"
#include "platform/system/inifile.h"
#include "platform/system/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  orvane::IniFile ini = orvane::IniFile::Parse(text);
  for (const std::string& section : ini.Sections())
    for (const std::string& key : ini.Keys(section)) ini.Get(section, key);
  ini.Set("Orvane", "Key", "value");
  orvane::IniFile::Parse(ini.Serialize());

  fuzz::WriteFile(fuzz::Prefix() + "/win.ini", data, size);
  char out[256];
  GetProfileString("Orvane", "Key", "default", out, sizeof out);
  GetProfileString(nullptr, nullptr, "", out, sizeof out);  // every section name
  GetProfileInt("Orvane", "Number", 7);
  WriteProfileString("Orvane", "Key", "written");
  GetProfileString("Orvane", "Key", "", out, sizeof out);
  return 0;
}
