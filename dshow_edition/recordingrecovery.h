// Recordings that a crash or a power loss left unfinished: their headers say
// no frame and they lack their index. At start-up the main window repairs
// those of Velbin's own naming in the video folder and says which.
#pragma once

#include <string>
#include <vector>

// Checks "videof00.avi" to "videof29.avi" in folder (a save directory; a
// file name after its last backslash is ignored) and repairs each one that
// was cut off. Returns the Windows paths of the files repaired. Whole files
// and files of other kinds are not touched.
std::vector<std::string> RepairUnfinishedRecordingsIn(std::string folder);
