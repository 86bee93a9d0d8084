#include "platform/system/shell.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <optional>
#include <string>
#include <string_view>

#include "platform/system/errnomap.h"
#include "platform/system/files.h"
#include "platform/system/kernelobject.h"
#include "platform/system/process.h"
#include "platform/system/spawn.h"
#include "platform/system/winpath.h"

namespace {

constexpr HINSTANCE kOpened = 42;
// Long enough for xdg-open to find out that nothing handles the target; a
// handler it runs in the foreground is still running after it.
constexpr DWORD kVerdictWaitMs = 2000;

bool IsOpenVerb(const char* verb) {
  if (!verb) return true;
  std::string_view v(verb);
  return v.size() == 4 &&
         std::equal(v.begin(), v.end(), "open", [](char a, char b) { return (a | 0x20) == b; });
}

// A URI scheme: a letter, then letters, digits, "+", "-" or ".", then a colon.
// Two characters at least, so that "C:" stays a drive.
bool HasScheme(std::string_view target) {
  std::size_t colon = target.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  if (!std::isalpha(static_cast<unsigned char>(target[0]))) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(target[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

bool IsRelative(std::string_view path) {
  return !orvane::winpath::HasDriveLetter(path) && !path.empty() && path[0] != '\\' &&
         path[0] != '/';
}

// The host path of a file target, or the code that says why there is none.
std::optional<std::string> HostTarget(const std::string& windowsPath, HINSTANCE* code) {
  // An absent drive and a too long path alike: the path cannot be found.
  std::optional<std::string> host = orvane::winpath::ToHost(windowsPath);
  if (!host) {
    *code = ERROR_PATH_NOT_FOUND;
    return std::nullopt;
  }
  struct stat st;
  if (::stat(host->c_str(), &st) == 0) return host;
  switch (errno) {
    case ENOENT: *code = orvane::system::MissingPathError(*host); break;
    case EACCES: *code = SE_ERR_ACCESSDENIED; break;
    default: *code = ERROR_PATH_NOT_FOUND; break;
  }
  return std::nullopt;
}

HINSTANCE FromXdgOpenExit(DWORD status) {
  switch (status) {
    case 0: return kOpened;
    case 1: return SE_ERR_ASSOCINCOMPLETE;  // bad command-line syntax
    case 2: return ERROR_FILE_NOT_FOUND;    // the file does not exist
    default: return SE_ERR_NOASSOC;         // 3 no tool found, 4 the action failed
  }
}

HINSTANCE Open(const char* file, const char* directory) {
  std::string target = file;
  std::optional<std::string> workDir;
  if (directory && *directory) {
    workDir = orvane::winpath::ToHost(directory);
    struct stat st;
    if (!workDir || ::stat(workDir->c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return ERROR_PATH_NOT_FOUND;
  }
  if (!HasScheme(target)) {
    if (workDir && IsRelative(target)) target = std::string(directory) + "\\" + target;
    HINSTANCE failure = 0;
    std::optional<std::string> host = HostTarget(target, &failure);
    if (!host) return failure;
    target = std::move(*host);
  }

  std::optional<std::string> xdgOpen = orvane::process::FindOnPath("xdg-open");
  if (!xdgOpen) return SE_ERR_NOASSOC;
  LONG error = ERROR_SUCCESS;
  int pid = orvane::process::SpawnHostIn(*xdgOpen, {"xdg-open", target}, workDir, &error);
  if (pid < 0) return error == ERROR_NOT_ENOUGH_MEMORY ? 0 : SE_ERR_ACCESSDENIED;

  HANDLE process = orvane::kernel::NewProcessHandle(pid);
  DWORD status = STILL_ACTIVE;
  if (WaitForSingleObject(process, kVerdictWaitMs) == WAIT_OBJECT_0)
    GetExitCodeProcess(process, &status);
  CloseHandle(process);  // one still running is reaped in the background
  return status == STILL_ACTIVE ? kOpened : FromXdgOpenExit(status);
}

}  // namespace

HINSTANCE ShellExecute(HWND /*owner*/, LPCSTR verb, LPCSTR file, LPCSTR /*parameters*/,
                       LPCSTR directory, int /*showCommand*/) {
  if (!IsOpenVerb(verb)) return SE_ERR_NOASSOC;
  if (!file || !*file) return 0;
  try {
    return Open(file, directory);
  } catch (...) {
    return 0;
  }
}
