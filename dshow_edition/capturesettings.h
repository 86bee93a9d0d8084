// Velbin's settings record and its profile section "vorix": the defaults, the
// profile half of the load, the save, and the save-directory rules.
#pragma once

#include <string>

#include "platform/system/wintypes.h"

// The one process-wide settings record; fields are named after the profile
// keys. The main window, the engine and the settings dialog use it directly,
// on the GUI thread only.
struct CaptureSettings {
  LONG VideoDevice = -1;
  LONG AudioDevice = -1;
  BOOL CaptureAudio = 0;
  BOOL AudioAvailable = 1;
  BOOL UseFrameRate = 0;
  double FrameRate = 0;
  BOOL WantPreview = 0;
  LONG MasterStream = 0;
  BOOL UseTimeLimit = 0;
  DWORD TimeLimit = 0;
  LONG SecurityTime = 0;
  std::string SaveVideo;
  std::string SavePhoto;
  std::string SaveSecurity;
  char CaptureFile[MAX_PATH] = {};
};

CaptureSettings& Settings();

constexpr char kProfileSection[] = "vorix";
constexpr char kDefaultSaveVideo[] = "C:\\Lumitrex Images\\Video\\";
constexpr char kDefaultSavePhoto[] = "C:\\Lumitrex Images\\Photo\\";
constexpr char kDefaultSaveSecurity[] = "C:\\Lumitrex Images\\Security\\";

// What the main window's constructor sets before anything is loaded: the
// three default directories and SecurityTime 10.
void SetConstructionDefaults();

// Removes the text after the last backslash (all of it when there is none).
void StripFileName(std::string& directory);

// Creates every directory level of path after its drive root; the last level
// only when the path ends in a backslash. Failures are ignored.
void CreateDirectoryChain(const char* path);

// The frame rate a "FrameRate" profile value (a frame duration in 100 ns
// units) stands for: 10^7 / d cut to hundredths, or 15.0 when that is not
// above 0 (d = 0, negative, or above 10^9).
double FrameRateFromDuration(LONG duration);
// The value "FrameRate" is saved as: 10^7 / rate, truncated; 0 for a rate
// whose duration has no 32-bit value (not above 0, or below 10^7 / 2^31).
LONG DurationFromFrameRate(double rate);

// The profile half of the load: reads every key of the section into the
// record in the designed order (CaptureFile; VideoDevice and AudioDevice set
// to -1; the flags, WantPreview 1, MasterStream 0, AudioAvailable 1; the
// frame rate; time limit and sequential-photo interval; the three
// directories, each stripped) and returns the "AudioDevice" value, which the
// device set-up takes.
LONG ReadProfileSettings();

// Writes the 13 keys of the section, in the designed order.
void SaveSettings();

// Reads the three directory keys again, creates their directory chains and
// strips the file names; the main window runs it while it initialises.
void PrepareSaveDirectories();
