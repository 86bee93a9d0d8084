#include "platform/system/profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/system/errnomap.h"
#include "platform/system/inifile.h"
#include "platform/system/prefix.h"

namespace {

// Saves within this process run one at a time; each save re-reads the file.
std::mutex g_profileLock;

// The bytes of the profile; "" when it does not exist or cannot be read.
std::string ReadProfile(const std::string& path) {
  std::string text;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return text;
}

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void MakeParents(const std::string& path) {
  for (std::size_t i = 1; i < path.size(); ++i) {
    if (path[i] != '/') continue;
    ::mkdir(path.substr(0, i).c_str(), 0755);
  }
}

// Replaces the file at path by bytes, atomically: a temporary file beside it,
// written, flushed, given the old file's mode, renamed over it.
bool ReplaceFile(std::string path, const std::string& bytes) {
  // Write beside the real file when the profile is a link, so the link stays.
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  MakeParents(path);
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    SetLastError(static_cast<DWORD>(orvane::system::ErrorFromErrno(errno)));
    return false;
  }
  struct stat old;
  mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    SetLastError(static_cast<DWORD>(orvane::system::ErrorFromErrno(savedErrno)));
    return false;
  }
  // Make the rename itself durable.
  std::string dir = path.substr(0, path.rfind('/'));
  if (dir.empty()) dir = "/";
  int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

// A value holding a NUL byte ends there, so the count returned matches the
// string the caller sees.
DWORD CopyOut(const std::string& text, LPSTR out, DWORD size) {
  std::size_t length = std::min(text.size(), std::strlen(text.c_str()));
  std::size_t n = length < size - 1 ? length : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  return static_cast<DWORD>(n);
}

// A list of names, each ending in a zero, with a final zero.
DWORD CopyList(const std::vector<std::string>& names, LPSTR out, DWORD size) {
  std::string list;
  for (const std::string& name : names) {
    list += name;
    list += '\0';
  }
  if (list.size() + 1 <= size) {
    std::memcpy(out, list.data(), list.size());
    out[list.size()] = '\0';
    return static_cast<DWORD>(list.size());
  }
  if (size < 2) {
    out[0] = '\0';
    return 0;
  }
  std::memcpy(out, list.data(), size - 2);
  out[size - 2] = '\0';
  out[size - 1] = '\0';
  return size - 2;
}

bool HasLineBreak(LPCSTR text) { return text && std::strpbrk(text, "\r\n") != nullptr; }

}  // namespace

DWORD GetProfileString(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out, DWORD size) {
  if (!out || size == 0) return 0;
  orvane::IniFile ini = orvane::IniFile::Parse(ReadProfile(orvane::prefix::ProfilePath()));
  if (!section) return CopyList(ini.Sections(), out, size);
  if (!key) return CopyList(ini.Keys(section), out, size);
  if (std::optional<std::string> value = ini.Get(section, key)) return CopyOut(*value, out, size);
  std::string fallback = defaultValue ? defaultValue : "";
  while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t'))
    fallback.pop_back();
  return CopyOut(fallback, out, size);
}

UINT GetProfileInt(LPCSTR section, LPCSTR key, int defaultValue) {
  if (!section || !key) return static_cast<UINT>(defaultValue);
  orvane::IniFile ini = orvane::IniFile::Parse(ReadProfile(orvane::prefix::ProfilePath()));
  std::optional<std::string> value = ini.Get(section, key);
  if (!value || value->empty()) return static_cast<UINT>(defaultValue);
  std::string_view text = orvane::Trim(*value);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  // Wraps modulo 2^32 like the 32-bit conversion it stands in for.
  UINT result = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    result = result * 10u + static_cast<UINT>(c - '0');
  }
  return negative ? 0u - result : result;
}

BOOL WriteProfileString(LPCSTR section, LPCSTR key, LPCSTR value) {
  if (!section || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      std::strchr(section, ']') || (key && std::strchr(key, '='))) {
    SetLastError(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    return FALSE;
  }
  std::lock_guard guard(g_profileLock);
  const std::string path = orvane::prefix::ProfilePath();
  const std::string before = ReadProfile(path);
  orvane::IniFile ini = orvane::IniFile::Parse(before);
  if (!key)
    ini.RemoveSection(section);
  else if (!value)
    ini.RemoveKey(section, key);
  else
    ini.Set(section, key, value);
  std::string after = ini.Serialize();
  if (after == before) return TRUE;
  return ReplaceFile(path, after) ? TRUE : FALSE;
}
