// Recordings that a crash or a power loss left unfinished (headers that
// count no frame, no index): both programs repair those of their own naming
// in their video folder when they start, and say which.
#pragma once

#include <string>
#include <vector>

// Repairs each of the named files in folder (a directory ending in a
// backslash) that was cut off; whole files and files of other kinds are not
// touched, and so is a recording another running program is still writing.
// The Windows paths of the files repaired.
std::vector<std::string> RepairUnfinishedRecordings(const std::string& folder,
                                                    const std::vector<std::string>& names);
