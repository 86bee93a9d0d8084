#include "controls/recordingrecovery.h"

#include "platform/dshow/avirepair.h"
#include "platform/system/files.h"
#include "platform/system/winpath.h"

namespace {
constexpr int kBusySeconds = 10;
}

std::vector<std::string> RepairUnfinishedRecordings(const std::string& folder,
                                                    const std::vector<std::string>& names) {
  std::vector<std::string> repaired;
  for (const std::string& name : names) {
    const std::string path = folder + name;
    // A file written moments ago may be another run's recording in progress.
    if (orvane::files::ModifiedWithin(path, kBusySeconds)) continue;
    const std::optional<std::string> host = orvane::winpath::ToHost(path);
    if (!host) continue;
    if (dshow::RepairAvi(*host).status == dshow::AviRepairStatus::kRepaired)
      repaired.push_back(path);
  }
  return repaired;
}
