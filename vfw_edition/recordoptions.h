// Tarrow's recording options and save paths, for the run only (nothing is
// kept between runs), and the numbering of new files. GUI thread only.
#pragma once

#include <string>

// Directory ending in a backslash, after a recording or a photo followed by
// the name of its file.
extern std::string VideoPath;
extern std::string StillPath;

struct RecordingOptions {
  int UseTimeLimit = 0;  // 1: a recording ends by itself after TimeLimit seconds
  int TimeLimit = 10;
  int CaptureAudio = 0;
  int FrameRate = 15;  // frames per second, 1 to 30
};
extern RecordingOptions RecordOptions;

// Back to the start values (for a new run in tests).
void ResetRecordOptions();

// The numbers run from 0 to this, five digits each: every name is 12
// characters, so the strip below always removes a whole name.
constexpr int kHighestFileNumber = 99999;

// Deletes up to 12 characters after the last backslash: the file name a
// path may hold after its directory.
void StripFileName(std::string& path);

// Leaves path holding its directory and the first name of pattern
// ("vid%05d.avi", "img%05d.bmp") whose number is free. When number 99998 is
// taken, warning is shown (once per search). FALSE, with path holding the
// bare directory, when every number is taken.
bool NextFreeFileName(std::string& path, const char* pattern, const char* warning);

constexpr char kVideoPattern[] = "vid%05d.avi";
constexpr char kStillPattern[] = "img%05d.bmp";
extern const char kVideoFilesWarning[];
extern const char kStillFilesWarning[];
