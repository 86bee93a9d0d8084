#include "dshow_edition/capturesettings.h"

#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/system/files.h"
#include "platform/system/profile.h"

namespace {

CaptureSettings g_settings;

LONG ReadInt(const char* key, int defaultValue) {
  return static_cast<LONG>(GetProfileInt(kProfileSection, key, defaultValue));
}

void WriteInt(const char* key, LONG value) {
  char text[12];
  std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  WriteProfileString(kProfileSection, key, text);
}

// Reads one directory key with the directory's current value as default.
void ReadDirectory(const char* key, std::string& directory) {
  char buffer[MAX_PATH];
  GetProfileString(kProfileSection, key, directory.c_str(), buffer, sizeof buffer);
  directory = buffer;
}

// The three directory fields with their keys, in the designed order.
std::array<std::pair<const char*, std::string*>, 3> Directories() {
  return {{{"SaveVideo", &g_settings.SaveVideo},
           {"SavePhoto", &g_settings.SavePhoto},
           {"SaveSecurity", &g_settings.SaveSecurity}}};
}

}  // namespace

CaptureSettings& Settings() { return g_settings; }

void SetConstructionDefaults() {
  g_settings.SaveVideo = kDefaultSaveVideo;
  g_settings.SavePhoto = kDefaultSavePhoto;
  g_settings.SaveSecurity = kDefaultSaveSecurity;
  g_settings.SecurityTime = 10;
}

void StripFileName(std::string& directory) {
  const std::size_t slash = directory.rfind('\\');
  directory.erase(slash == std::string::npos ? 0 : slash + 1);
}

void CreateDirectoryChain(const char* path) {
  if (!path) return;
  std::string text = path;
  for (std::size_t i = 3; i < text.size(); ++i) {
    if (text[i] != '\\') continue;
    text[i] = '\0';
    _mkdir(text.c_str());
    text[i] = '\\';
  }
}

double FrameRateFromDuration(LONG duration) {
  // 10^7 / 0 has no value; the designed fallback covers it like any other
  // rate that is not above 0.
  if (duration == 0) return 15.0;
  const double hundredths = std::trunc(10000000.0 / duration * 100.0);
  const double rate = hundredths * 0.01;
  return rate > 0 ? rate : 15.0;
}

LONG DurationFromFrameRate(double rate) {
  if (!(rate > 0)) return 0;
  const double duration = std::trunc(10000000.0 / rate);
  return duration <= INT_MAX ? static_cast<LONG>(duration) : 0;
}

LONG ReadProfileSettings() {
  CaptureSettings& s = g_settings;
  GetProfileString(kProfileSection, "CaptureFile", "", s.CaptureFile, sizeof s.CaptureFile);
  s.VideoDevice = -1;
  s.AudioDevice = -1;
  const LONG audioDevice = ReadInt("AudioDevice", 0);
  s.CaptureAudio = ReadInt("CaptureAudio", 1);
  s.AudioAvailable = 1;
  s.WantPreview = 1;
  s.MasterStream = 0;
  s.UseFrameRate = ReadInt("UseFrameRate", 1);
  s.FrameRate = FrameRateFromDuration(ReadInt("FrameRate", 666667));
  s.UseTimeLimit = ReadInt("UseTimeLimit", 0);
  s.TimeLimit = static_cast<DWORD>(ReadInt("TimeLimit", 10));
  s.SecurityTime = ReadInt("SecurityTime", 1);
  for (auto [key, directory] : Directories()) {
    ReadDirectory(key, *directory);
    StripFileName(*directory);
  }
  return audioDevice;
}

void SaveSettings() {
  CaptureSettings& s = g_settings;
  WriteInt("VideoDevice", s.VideoDevice);
  WriteInt("AudioDevice", s.AudioDevice);
  WriteInt("FrameRate", DurationFromFrameRate(s.FrameRate));
  WriteInt("UseFrameRate", s.UseFrameRate);
  WriteInt("CaptureAudio", s.CaptureAudio);
  WriteInt("WantPreview", s.WantPreview);
  WriteInt("MasterStream", s.MasterStream);
  WriteInt("UseTimeLimit", s.UseTimeLimit);
  WriteInt("TimeLimit", static_cast<LONG>(s.TimeLimit));
  WriteInt("SecurityTime", s.SecurityTime);
  for (auto [key, directory] : Directories()) {
    StripFileName(*directory);
    WriteProfileString(kProfileSection, key, directory->c_str());
  }
}

void PrepareSaveDirectories() {
  for (auto [key, directory] : Directories()) {
    char buffer[MAX_PATH];
    GetProfileString(kProfileSection, key, directory->c_str(), buffer, sizeof buffer);
    *directory = buffer;
    CreateDirectoryChain(buffer);
    StripFileName(*directory);
  }
}
