#include "platform/system/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "platform/system/errnomap.h"
#include "platform/system/kernelobject.h"
#include "platform/system/winpath.h"

using orvane::system::ErrorFromErrno;
using orvane::system::MissingPathError;

namespace {

void SetError(LONG code) { SetLastError(static_cast<DWORD>(code)); }

// Maps a Windows path, setting the last error when it has no host counterpart.
std::optional<std::string> Host(LPCSTR path) {
  if (!path) {
    SetError(ERROR_INVALID_PARAMETER);
    return std::nullopt;
  }
  LONG error = ERROR_PATH_NOT_FOUND;
  std::optional<std::string> host = orvane::winpath::ToHost(path, &error);
  if (!host) SetError(error);
  return host;
}

// The last error for a failed open or create of host: a missing file and a
// missing folder are told apart, as Windows does.
void SetOpenError(const std::string& host, int e) {
  SetError(e == ENOENT ? MissingPathError(host) : ErrorFromErrno(e));
}

bool WriteAll(int fd, const void* data, std::size_t size, std::size_t* written) {
  const char* bytes = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      if (written) *written = done;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (written) *written = done;
  return true;
}

// Copies everything from one descriptor to the other; false with errno set.
bool CopyData(int from, int to) {
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(from, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (!WriteAll(to, buffer, static_cast<std::size_t>(n), nullptr)) return false;
  }
}

// Opens host as a regular file only: O_NOFOLLOW refuses a link in its place
// (never written through), O_NONBLOCK keeps a FIFO from holding the open,
// and anything but a regular file is refused before it is emptied. -1 with
// the last error set.
int OpenRegular(const std::string& host, int flags) {
  const bool truncate = flags & O_TRUNC;
  int fd = ::open(host.c_str(), (flags & ~O_TRUNC) | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0) {
    SetOpenError(host, errno);
    if (errno == ELOOP) SetError(ERROR_ACCESS_DENIED);
    return -1;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    SetError(ERROR_ACCESS_DENIED);
    return -1;
  }
  if ((truncate && ::ftruncate(fd, 0) != 0) || ::fcntl(fd, F_SETFL, flags & O_ACCMODE) != 0) {
    const int e = errno;
    ::close(fd);
    SetError(ErrorFromErrno(e));
    return -1;
  }
  return fd;
}

int OpenFlags(DWORD access, DWORD disposition) {
  int flags = O_CLOEXEC;
  bool read = access & GENERIC_READ;
  bool write = access & GENERIC_WRITE;
  flags |= read && write ? O_RDWR : (write ? O_WRONLY : O_RDONLY);
  switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: break;
  }
  return flags;
}

}  // namespace

HANDLE CreateFile(LPCSTR path, DWORD access, DWORD /*shareMode*/, void* /*security*/,
                  DWORD disposition, DWORD /*attributes*/, HANDLE /*templateFile*/) {
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
    SetError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::optional<std::string> host = Host(path);
  if (!host) return INVALID_HANDLE_VALUE;
  struct stat before;
  bool existed = ::stat(host->c_str(), &before) == 0;
  if (existed && S_ISDIR(before.st_mode)) {
    // Windows opens no folder as a file.
    SetError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
  }
  int fd = OpenRegular(*host, OpenFlags(access, disposition));
  if (fd < 0) return INVALID_HANDLE_VALUE;
  // CREATE_ALWAYS and OPEN_ALWAYS tell the caller that the file was there.
  SetError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS)
               ? ERROR_ALREADY_EXISTS
               : ERROR_SUCCESS);
  return orvane::kernel::NewFileHandle(fd);
}

BOOL WriteFile(HANDLE file, const void* data, DWORD size, LPDWORD written, void* /*overlapped*/) {
  KernelObject* object = orvane::kernel::Lookup(file);
  if (!object || object->kind != KernelObject::Kind::File || (!data && size)) {
    SetError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    if (written) *written = 0;
    return FALSE;
  }
  std::size_t done = 0;
  bool ok = WriteAll(object->fd, data, size, &done);
  if (written) *written = static_cast<DWORD>(done);
  if (!ok) SetError(ErrorFromErrno(errno));
  return ok ? TRUE : FALSE;
}

BOOL ReadFile(HANDLE file, void* data, DWORD size, LPDWORD read, void* /*overlapped*/) {
  KernelObject* object = orvane::kernel::Lookup(file);
  if (read) *read = 0;
  if (!object || object->kind != KernelObject::Kind::File || (!data && size)) {
    SetError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  ssize_t n;
  do {
    n = ::read(object->fd, data, size);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    SetError(ErrorFromErrno(errno));
    return FALSE;
  }
  if (read) *read = static_cast<DWORD>(n);
  return TRUE;
}

HFILE _lcreat(LPCSTR path, int /*attribute*/) {
  std::optional<std::string> host = Host(path);
  if (!host) return HFILE_ERROR;
  int fd = OpenRegular(*host, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC);
  return fd < 0 ? HFILE_ERROR : fd;
}

UINT _lwrite(HFILE file, const void* data, UINT size) {
  std::size_t done = 0;
  if (!WriteAll(file, data, size, &done)) {
    SetError(ErrorFromErrno(errno));
    // A short write (full disk) reports what reached the file.
    return done ? static_cast<UINT>(done) : static_cast<UINT>(HFILE_ERROR);
  }
  return static_cast<UINT>(done);
}

HFILE _lclose(HFILE file) { return ::close(file) == 0 ? 0 : HFILE_ERROR; }

BOOL CopyFile(LPCSTR existing, LPCSTR target, BOOL failIfExists) {
  std::optional<std::string> from = Host(existing);
  if (!from) return FALSE;
  std::optional<std::string> to = Host(target);
  if (!to) return FALSE;

  // O_NONBLOCK so that a FIFO in place of the file cannot hang the caller;
  // only regular files are copied.
  int in = ::open(from->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (in < 0) {
    SetOpenError(*from, errno);
    return FALSE;
  }
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    SetError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  ::fcntl(in, F_SETFL, ::fcntl(in, F_GETFL) & ~O_NONBLOCK);
  const mode_t mode = st.st_mode & 0777;

  if (failIfExists) {
    // O_EXCL makes "the target does not exist" and "create it" one step, so a
    // target that appears meanwhile is never replaced.
    int out = ::open(to->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (out < 0) {
      int e = errno;
      ::close(in);
      SetError(e == EEXIST ? ERROR_FILE_EXISTS
                           : (e == ENOENT ? MissingPathError(*to) : ErrorFromErrno(e)));
      return FALSE;
    }
    bool ok = CopyData(in, out);
    int e = errno;
    if (::close(out) != 0 && ok) {
      ok = false;
      e = errno;
    }
    ::close(in);
    if (!ok) {
      ::unlink(to->c_str());  // ours: created above
      SetError(ErrorFromErrno(e));
      return FALSE;
    }
    return TRUE;
  }

  // Replacing: write beside the target and rename, so that a failed copy never
  // leaves the old target half overwritten.
  std::string temp = *to + ".copy-XXXXXX";
  int out = ::mkstemp(temp.data());
  if (out < 0) {
    int e = errno;
    ::close(in);
    SetError(e == ENOENT ? MissingPathError(*to) : ErrorFromErrno(e));
    return FALSE;
  }
  // Flushed before the rename: after a crash the target is the old file or
  // the whole new one, never an empty one.
  bool ok = ::fchmod(out, mode) == 0 && CopyData(in, out) && ::fsync(out) == 0;
  int e = errno;
  if (::close(out) != 0 && ok) {
    ok = false;
    e = errno;
  }
  ::close(in);
  if (ok && ::rename(temp.c_str(), to->c_str()) != 0) {
    ok = false;
    e = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    SetError(ErrorFromErrno(e));
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFile(LPCSTR path) {
  std::optional<std::string> host = Host(path);
  if (!host) return FALSE;
  struct stat st;
  if (::lstat(host->c_str(), &st) != 0) {
    SetOpenError(*host, errno);
    return FALSE;
  }
  if (S_ISDIR(st.st_mode)) {
    SetError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (::unlink(host->c_str()) != 0) {
    SetError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

BOOL CreateDirectory(LPCSTR path, void* /*security*/) {
  std::optional<std::string> host = Host(path);
  if (!host) return FALSE;
  if (::mkdir(host->c_str(), 0777) != 0) {
    int e = errno;
    SetError(e == EEXIST ? ERROR_ALREADY_EXISTS
                         : (e == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(e)));
    return FALSE;
  }
  return TRUE;
}

int _mkdir(LPCSTR path) { return CreateDirectory(path, nullptr) ? 0 : -1; }

DWORD GetFileAttributes(LPCSTR path) {
  std::optional<std::string> host = Host(path);
  if (!host) return INVALID_FILE_ATTRIBUTES;
  struct stat st;
  if (::stat(host->c_str(), &st) != 0) {
    SetOpenError(*host, errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  return S_ISDIR(st.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

namespace orvane::files {

bool NameIsTaken(const std::string& windowsPath) {
  std::optional<std::string> host = orvane::winpath::ToHost(windowsPath);
  if (!host) return false;
  struct stat st;
  return ::lstat(host->c_str(), &st) == 0;
}

bool ReplaceableByFile(const std::string& windowsPath) {
  std::optional<std::string> host = orvane::winpath::ToHost(windowsPath);
  struct stat st;
  if (!host || ::lstat(host->c_str(), &st) != 0 || S_ISREG(st.st_mode)) return true;
  return !S_ISDIR(st.st_mode) && ::unlink(host->c_str()) == 0;
}

std::vector<std::string> FileNamesIn(const std::string& windowsFolder) {
  std::vector<std::string> names;
  std::optional<std::string> host = orvane::winpath::ToHost(windowsFolder);
  if (!host) return names;
  DIR* dir = ::opendir(host->c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    struct stat st;
    const std::string path = *host + "/" + entry->d_name;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace orvane::files
