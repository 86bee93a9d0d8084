// Where the programs keep their files on the host.
//
// With ORVANE_PREFIX set, everything lives under it: drive C: is
// $ORVANE_PREFIX/drive_c, the profile $ORVANE_PREFIX/win.ini, the registry
// $ORVANE_PREFIX/registry.reg and the drive letters $ORVANE_PREFIX/drives.ini.
// Without it, C: is $HOME and the three files are in $XDG_CONFIG_HOME/orvane
// (default ~/.config/orvane). The environment is read at every call, so a test
// that points ORVANE_PREFIX elsewhere takes effect at once.
#pragma once

#include <string>

namespace orvane::prefix {

// The host folder that holds the profile, the registry and the drive map.
std::string ConfigDir();
// Host folder of drive C:; under a prefix it is made when missing.
std::string DriveCRoot();
// Host folder for files the programs can lose (made when missing):
// $ORVANE_PREFIX/cache, else $XDG_CACHE_HOME/orvane (~/.cache/orvane).
std::string CacheDir();
std::string ProfilePath();
std::string RegistryPath();
std::string DriveMapPath();

}  // namespace orvane::prefix
