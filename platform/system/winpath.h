// Windows-form paths ("C:\Lumitrex Images\Video\videof00.avi") and the drive map.
//
// Drive C: is orvane::prefix::DriveCRoot(), Z: is the host's "/", and any other
// letter is absent unless drives.ini (orvane::prefix::DriveMapPath()) maps it:
//
//   [drives]
//   D=/media/usb-stick
//
// Both "\" and "/" separate components. "." is dropped and ".." climbs one
// level but never above the drive's root (as on Windows, "C:\..\x" is "C:\x"),
// so no path leaves its drive's folder. A path without a drive letter that
// starts with a separator is on drive C:; a relative path is relative to the
// process's current directory. Paths longer than MAX_PATH - 1 bytes are refused,
// as the ANSI Windows functions refuse them. Names are UTF-8 and compared
// case-insensitively with Unicode case folding.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/system/winerror.h"

namespace orvane::winpath {

// Host folder of a drive letter, or nothing for an absent drive.
std::optional<std::string> DriveRoot(char letter);

// Maps a Windows-form path to the host. Each existing component is matched
// case-insensitively when no entry of exactly that name exists (the first
// match in byte order wins); components that do not exist are kept as
// written, so new files and folders get the names the caller gave them.
// On failure returns nothing and sets *error, when given, to
// ERROR_PATH_NOT_FOUND (empty path, absent drive) or ERROR_FILENAME_EXCED_RANGE
// (too long).
std::optional<std::string> ToHost(std::string_view windowsPath, LONG* error = nullptr);

// Turns a host path into Windows form: under drive C:'s folder it becomes
// "C:\...", under a mapped letter's folder that letter (the longest match
// wins), and anything else "Z:\...". A relative host path is taken from the
// current directory first.
std::string FromHost(std::string_view hostPath);

// True when text starts with a drive letter and a colon ("c:", "D:\x").
bool HasDriveLetter(std::string_view text);

}  // namespace orvane::winpath
