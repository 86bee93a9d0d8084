#include "platform/system/prefix.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string Home() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/";
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

namespace orvane::prefix {

std::string ConfigDir() {
  std::string prefix = Env("ORVANE_PREFIX");
  if (!prefix.empty()) return WithoutTrailingSlash(prefix);
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = Home() + "/.config";
  return WithoutTrailingSlash(config) + "/orvane";
}

std::string DriveCRoot() {
  std::string prefix = Env("ORVANE_PREFIX");
  if (!prefix.empty()) {
    // A fresh prefix has no drive C: yet; like a home folder, it is simply there.
    std::string root = WithoutTrailingSlash(prefix) + "/drive_c";
    ::mkdir(WithoutTrailingSlash(prefix).c_str(), 0755);
    ::mkdir(root.c_str(), 0755);
    return root;
  }
  return WithoutTrailingSlash(Home());
}

std::string CacheDir() {
  std::string prefix = Env("ORVANE_PREFIX");
  std::string dir;
  if (!prefix.empty()) {
    dir = WithoutTrailingSlash(prefix) + "/cache";
  } else {
    std::string cache = Env("XDG_CACHE_HOME");
    if (cache.empty() || cache[0] != '/') cache = Home() + "/.cache";
    ::mkdir(WithoutTrailingSlash(cache).c_str(), 0700);
    dir = WithoutTrailingSlash(cache) + "/orvane";
  }
  ::mkdir(dir.c_str(), 0700);
  return dir;
}

std::string ProfilePath() { return ConfigDir() + "/win.ini"; }
std::string RegistryPath() { return ConfigDir() + "/registry.reg"; }
std::string DriveMapPath() { return ConfigDir() + "/drives.ini"; }

}  // namespace orvane::prefix
