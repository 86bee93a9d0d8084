// Making an AVI file whose writing was cut off (full disk, lost device) whole
// again: the last incomplete chunk goes, the sizes and frame counts in the
// headers are set to what the file holds, the extended index that points past
// the end is emptied, and an old-style index is added where space allows.
#pragma once

#include <string>

namespace dshow {

struct AviRepairResult {
  bool repaired = false;  // the file was readable as AVI and was rewritten
  long videoFrames = 0;   // complete video chunks kept
  bool indexWritten = false;
};

AviRepairResult RepairTruncatedAvi(const std::string& hostPath);

}  // namespace dshow
