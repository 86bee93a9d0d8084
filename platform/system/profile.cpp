#include "platform/system/profile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLoggingCategory>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>
#include <climits>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/configfile.h"
#include "platform/system/errnomap.h"
#include "platform/system/inifile.h"
#include "platform/system/prefix.h"
#include "platform/system/unicodetext.h"

Q_LOGGING_CATEGORY(lcProfile, "orvane.profile")

namespace {

// Windows kept win.ini below 64 KiB; this leaves room for any hand-edited
// profile while a wrong file at that path cannot fill memory.
constexpr std::size_t kMaxProfileBytes = std::size_t{4} << 20;

// Saves within this process run one at a time; the lock file beside the
// profile serialises them with other processes.
std::mutex g_profileLock;

// The profile's text and what a save must write back in the same form.
struct Profile {
  orvane::IniFile ini;
  enum class Encoding { kBytes, kUtf16LE, kUtf16BE } encoding = Encoding::kBytes;
  LONG error = ERROR_SUCCESS;  // why the file could not be read, or decoded

  bool ok() const { return error == ERROR_SUCCESS; }
};

// The profile as it is now. A missing file is an empty profile; any other
// failure leaves an empty one with error set, which reads answer with their
// defaults and saves refuse, so the file is never replaced by a stranger.
Profile LoadProfile(const std::string& path) {
  Profile profile;
  orvane::configfile::ReadResult file = orvane::configfile::Read(path, kMaxProfileBytes);
  if (!file.ok()) {
    profile.error = file.error;
    return profile;
  }
  std::string_view bytes = file.bytes;
  const bool le = bytes.starts_with("\xFF\xFE");
  const bool be = bytes.starts_with("\xFE\xFF");
  // Lines are counted on the text, as they cost memory once parsed.
  auto tooManyLines = [&](std::string_view text) {
    if (orvane::FitsIniLineLimit(text)) return false;
    profile.error = ERROR_FILE_TOO_LARGE;
    return true;
  };
  if (!le && !be) {
    if (!tooManyLines(bytes)) profile.ini = orvane::IniFile::Parse(bytes);
    return profile;
  }
  // A Unicode profile is edited as UTF-8 and written back in its own form.
  std::optional<std::string> text = orvane::text::Utf16ToUtf8(bytes.substr(2), be);
  if (!text) {
    profile.error = ERROR_NO_UNICODE_TRANSLATION;
    return profile;
  }
  if (tooManyLines(*text)) return profile;
  profile.ini = orvane::IniFile::Parse(*text);
  profile.encoding = be ? Profile::Encoding::kUtf16BE : Profile::Encoding::kUtf16LE;
  return profile;
}

// The bytes of the profile in its own encoding; nothing when the text has
// bytes that encoding cannot hold (a value that is not UTF-8).
std::optional<std::string> Encode(const Profile& profile) {
  std::string text = profile.ini.Serialize();
  if (profile.encoding == Profile::Encoding::kBytes) return text;
  const bool be = profile.encoding == Profile::Encoding::kUtf16BE;
  std::optional<std::string> units = orvane::text::Utf8ToUtf16(text, be);
  if (!units) return std::nullopt;
  return (be ? std::string("\xFE\xFF") : std::string("\xFF\xFE")) + *units;
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

void Fail(int e) { SetLastError(static_cast<DWORD>(orvane::system::ErrorFromErrno(e))); }

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string TempPrefixFor(const std::string& path) {
  return path.substr(path.rfind('/') + 1) + ".saving-";
}

// Temporary files of saves that never finished (the process died between
// writing and renaming). Called with the lock file held, so no live save
// owns one of them.
void RemoveLeftoverTemps(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string prefix = TempPrefixFor(path);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view name = entry->d_name;
    // mkstemp's six characters, nothing else: a user's own file is left alone.
    if (name.size() == prefix.size() + 6 && name.starts_with(prefix))
      ::unlinkat(::dirfd(dir), entry->d_name, 0);
  }
  ::closedir(dir);
}

// Holds the lock file beside the profile (path + ".lock") for one
// read-modify-write, so that two programs saving at once do not lose each
// other's keys. The lock file itself stays: removing it would let a third
// process lock a new file while the second holds the old one. A save holds
// it for milliseconds; one held longer belongs to a program that is stuck,
// and waiting on it would freeze this one at its exit. For a while after a
// wait has run out, saves (a program saves key by key) try once and fail at
// once.
class ProfileFileLock {
 public:
  static constexpr auto kWait = std::chrono::seconds(3);
  static constexpr auto kNoWaitAfterGivingUp = std::chrono::seconds(30);

  explicit ProfileFileLock(const std::string& path) {
    const std::string lock = path + ".lock";
    m_fd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644);
    if (m_fd < 0) {
      m_errno = errno;
      return;
    }
    const auto now = std::chrono::steady_clock::now();
    const bool stuck = s_gaveUp && now - *s_gaveUp < kNoWaitAfterGivingUp;
    const auto deadline = stuck ? now : now + kWait;
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
      const int e = errno;
      if (e == EINTR) continue;
      if (e == EWOULDBLOCK && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      if (e == EWOULDBLOCK && !stuck) {
        s_gaveUp = std::chrono::steady_clock::now();
        qCWarning(lcProfile, "%s: not saved: another program has held %s for over %lld s",
                  path.c_str(), lock.c_str(), static_cast<long long>(kWait.count()));
      }
      m_errno = e;
      ::close(m_fd);
      m_fd = -1;
      return;
    }
    s_gaveUp.reset();
  }
  ~ProfileFileLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
  }
  ProfileFileLock(const ProfileFileLock&) = delete;
  ProfileFileLock& operator=(const ProfileFileLock&) = delete;

  bool held() const { return m_fd >= 0; }
  int error() const { return m_errno; }

 private:
  // When a wait last ran out; guarded by g_profileLock.
  static inline std::optional<std::chrono::steady_clock::time_point> s_gaveUp;
  int m_fd = -1;
  int m_errno = 0;
};

// Replaces the file at path by bytes, atomically: a temporary file beside it,
// written, flushed, given the old file's mode, renamed over it.
bool ReplaceFile(const std::string& path, const std::string& bytes) {
  std::string temp = FolderOf(path) + "/" + TempPrefixFor(path) + "XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    Fail(errno);
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
    Fail(savedErrno);
    return false;
  }
  // Make the rename itself durable.
  int dirFd = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return true;
}

// The file a save writes: the target of a profile that is a link, so the
// link stays.
std::string SaveTarget(std::string path) {
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    path = real;
    std::free(real);
  }
  return path;
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

// A key that would read back as something else: "=" ends it early, and a
// leading "[" or ";" makes its line a section or a comment.
bool KeyIsWritable(LPCSTR key) {
  std::string_view name = orvane::Trim(key);
  return std::strchr(key, '=') == nullptr && !name.starts_with('[') && !name.starts_with(';');
}

}  // namespace

DWORD GetProfileString(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPSTR out, DWORD size) {
  if (!out || size == 0) return 0;
  const orvane::IniFile ini = LoadProfile(orvane::prefix::ProfilePath()).ini;
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
  const orvane::IniFile ini = LoadProfile(orvane::prefix::ProfilePath()).ini;
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
      std::strchr(section, ']') || (key && !KeyIsWritable(key))) {
    SetLastError(static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    return FALSE;
  }
  std::lock_guard guard(g_profileLock);
  const std::string path = SaveTarget(orvane::prefix::ProfilePath());
  // A profile linked to a device or a FIFO is not written, and gets no lock
  // file beside the device.
  if (struct stat st; ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    SetLastError(static_cast<DWORD>(ERROR_ACCESS_DENIED));
    return FALSE;
  }
  MakeParents(path);
  ProfileFileLock fileLock(path);
  if (!fileLock.held()) {
    Fail(fileLock.error());
    return FALSE;
  }
  RemoveLeftoverTemps(path);
  Profile profile = LoadProfile(path);
  if (!profile.ok()) {
    SetLastError(static_cast<DWORD>(profile.error));
    return FALSE;
  }
  const std::optional<std::string> before = Encode(profile);
  if (!key)
    profile.ini.RemoveSection(section);
  else if (!value)
    profile.ini.RemoveKey(section, key);
  else
    profile.ini.Set(section, key, value);
  const std::optional<std::string> after = Encode(profile);
  // A Unicode profile takes no bytes that are not UTF-8: never a mixed file.
  if (!after) {
    SetLastError(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    return FALSE;
  }
  if (after == before) return TRUE;
  // Never a file the next read would refuse: it would read as defaults and
  // refuse every later save.
  if (after->size() > kMaxProfileBytes || !orvane::FitsIniLineLimit(profile.ini.Serialize())) {
    qCWarning(lcProfile, "%s: not saved: the profile would pass its size limits", path.c_str());
    SetLastError(static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
    return FALSE;
  }
  return ReplaceFile(path, *after) ? TRUE : FALSE;
}
