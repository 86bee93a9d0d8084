// Telling a cut-off AVI recording from a whole one, and making it whole again.
//
// A recording is cut off when its writing stopped before the multiplexer
// finished it: a full disk, a lost device, a crash or a power loss. Such a
// file keeps its data but its headers lie (0 frames, sizes past the end), and
// it may end inside a chunk.
//
// The file may be OpenDML: a first RIFF "AVI " part, then RIFF "AVIX" parts
// past 1 GiB, each with its own movi list and standard index chunks (ix##),
// which the super-indexes (indx) in the headers point at. A part whose
// declared size matches the file is whole and kept as it is. The part that
// runs into the end of the file keeps its complete chunks (the first cut-off
// or unknown one ends it) and gets new standard indexes, and an old-style
// index (idx1) when it is the first part. Then every part's sizes, the frame
// counts, the stream lengths and the super-indexes are set to what the file
// holds.
//
// Reads and writes stay inside the file and inside the lists they walk;
// memory does not grow with the file. A file that is no AVI, or whose headers
// cannot be walked, is left alone. A whole file is never written to, even
// when its counts were made by another multiplexer's rules.
#pragma once

#include <string>

namespace dshow {

enum class AviRepairStatus {
  kClean,     // whole: nothing written
  kRepaired,  // was cut off and is whole now
  kRefused,   // no AVI this repair understands: left alone
  kFailed,    // an AVI that could not be read or written: may be as it was
};

struct AviRepairResult {
  AviRepairStatus status = AviRepairStatus::kRefused;
  std::string detail;         // why it was refused or failed
  long videoFrames = 0;       // complete frames of the first video stream, all parts
  int parts = 0;              // RIFF parts in the file
  bool indexWritten = false;  // the repair could write the indexes it adds

  bool ok() const {
    return status == AviRepairStatus::kClean || status == AviRepairStatus::kRepaired;
  }
};

// Checks the AVI file at hostPath (a regular file) and repairs it when it was
// cut off. Any thread; the file must not be open for writing elsewhere. The
// repair ends with the file flushed to disk.
AviRepairResult RepairAvi(const std::string& hostPath);

}  // namespace dshow
