#include "dshow_edition/recordingrecovery.h"

#include <cstdio>

#include "dshow_edition/capturesettings.h"
#include "platform/dshow/avirepair.h"
#include "platform/system/winpath.h"

std::vector<std::string> RepairUnfinishedRecordingsIn(std::string folder) {
  StripFileName(folder);
  std::vector<std::string> repaired;
  for (int number = 0; number < 30; ++number) {
    char name[16];
    std::snprintf(name, sizeof name, "videof%02d.avi", number);
    const std::string path = folder + name;
    const std::optional<std::string> host = orvane::winpath::ToHost(path);
    if (!host) continue;
    if (dshow::RepairAvi(*host).status == dshow::AviRepairStatus::kRepaired)
      repaired.push_back(path);
  }
  return repaired;
}
