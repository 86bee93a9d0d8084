#include "vfw_edition/recordoptions.h"

#include <cstdio>

#include "platform/system/files.h"
#include "platform/ui/messagebox.h"

std::string VideoPath = "c:\\Lumitrex Images\\video\\";
std::string StillPath = "c:\\Lumitrex Images\\still\\";
RecordingOptions RecordOptions;

const char kVideoFilesWarning[] = "필요없는 비디오 화일을 지우시오.";
const char kStillFilesWarning[] = "필요없는 그림화일을 지우시오.";

void ResetRecordOptions() {
  VideoPath = "c:\\Lumitrex Images\\video\\";
  StillPath = "c:\\Lumitrex Images\\still\\";
  RecordOptions = RecordingOptions{};
}

void StripFileName(std::string& path) {
  constexpr std::size_t kNameLength = 12;
  const std::size_t slash = path.rfind('\\');
  const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  path.erase(start, kNameLength);
}

bool NextFreeFileName(std::string& path, const char* pattern, const char* warning) {
  StripFileName(path);
  for (int number = 0; number <= kHighestFileNumber; ++number) {
    if (number == kHighestFileNumber) AfxMessageBox(warning, MB_OK);
    char name[32];
    std::snprintf(name, sizeof name, pattern, number);
    // Anything of that name is taken, readable or not: a file the program
    // cannot open must not be chosen and written over.
    if (!orvane::files::NameIsTaken(path + name)) {
      path += name;
      return true;
    }
  }
  // Every name is taken: none is reused, so nothing is written over.
  return false;
}
