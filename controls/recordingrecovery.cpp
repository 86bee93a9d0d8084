#include "controls/recordingrecovery.h"

#include "platform/dshow/avimuxfilter.h"
#include "platform/dshow/avirepair.h"
#include "platform/system/winpath.h"

std::vector<std::string> RepairUnfinishedRecordings(const std::string& folder,
                                                    const std::vector<std::string>& names) {
  std::vector<std::string> repaired;
  for (const std::string& name : names) {
    const std::string path = folder + name;
    const std::optional<std::string> host = orvane::winpath::ToHost(path);
    // Another running program's recording holds its lock; a crashed one's
    // lock went with it.
    if (!host || dshow::RecordingInProgress(*host)) continue;
    if (dshow::RepairAvi(*host).status == dshow::AviRepairStatus::kRepaired)
      repaired.push_back(path);
  }
  return repaired;
}
