#include "dshow_edition/recordingrecovery.h"

#include <cstdio>

#include "controls/recordingrecovery.h"
#include "dshow_edition/capturesettings.h"

std::vector<std::string> RepairUnfinishedRecordingsIn(std::string folder) {
  StripFileName(folder);
  std::vector<std::string> names;
  for (int number = 0; number < 30; ++number) {
    char name[16];
    std::snprintf(name, sizeof name, "videof%02d.avi", number);
    names.push_back(name);
  }
  return RepairUnfinishedRecordings(folder, names);
}
