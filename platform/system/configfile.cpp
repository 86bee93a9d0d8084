#include "platform/system/configfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLoggingCategory>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

#include "platform/system/errnomap.h"

namespace {

Q_LOGGING_CATEGORY(lcConfig, "orvane.config")

// A file modified less than this long ago may change again without its stamp
// changing: file times advance in ticks of several milliseconds.
constexpr time_t kYoungSeconds = 2;

orvane::configfile::FileStamp StampFrom(const struct stat& st) {
  orvane::configfile::FileStamp stamp;
  if (!S_ISREG(st.st_mode)) return stamp;
  stamp.present = true;
  stamp.device = st.st_dev;
  stamp.inode = st.st_ino;
  stamp.size = st.st_size;
  stamp.mtime = st.st_mtim;
  return stamp;
}

// Says why a file is not read, once per path and reason, so that a profile
// read fourteen times at start-up does not fill the terminal.
void Refused(const std::string& path, const char* why) {
  static std::mutex lock;
  static std::set<std::pair<std::string, std::string>> said;
  std::lock_guard guard(lock);
  if (!said.emplace(path, why).second) return;
  qCWarning(lcConfig, "%s: not read: %s", path.c_str(), why);
}

orvane::configfile::ReadResult Failure(const std::string& path, LONG error, const char* why) {
  Refused(path, why);
  orvane::configfile::ReadResult result;
  result.status = orvane::configfile::ReadResult::Status::kFailed;
  result.error = error;
  return result;
}

time_t Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec;
}

// Whether a read made at readAt can be trusted to be the file of stamp: not
// when it was made so soon after the file's last change that another change
// could have followed within the same time stamp.
bool Unconfirmed(const orvane::configfile::FileStamp& stamp, time_t readAt) {
  return stamp.present && readAt - stamp.mtime.tv_sec <= kYoungSeconds;
}

}  // namespace

namespace orvane::configfile {

bool FileStamp::operator==(const FileStamp& o) const {
  return present == o.present && device == o.device && inode == o.inode && size == o.size &&
         mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec;
}

FileStamp StampOf(const std::string& hostPath) {
  struct stat st;
  if (::stat(hostPath.c_str(), &st) != 0) return {};
  return StampFrom(st);
}

ReadResult Read(const std::string& hostPath, std::size_t maxBytes) {
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
  int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT) return {};
    int e = errno;
    return Failure(hostPath, orvane::system::ErrorFromErrno(e), std::strerror(e));
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    int e = errno;
    ::close(fd);
    return Failure(hostPath, orvane::system::ErrorFromErrno(e), std::strerror(e));
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return Failure(hostPath, ERROR_ACCESS_DENIED, "not a regular file");
  }
  if (static_cast<std::size_t>(st.st_size) > maxBytes) {
    ::close(fd);
    std::string why = "larger than " + std::to_string(maxBytes) + " bytes";
    return Failure(hostPath, ERROR_FILE_TOO_LARGE, why.c_str());
  }
  ReadResult result;
  result.status = ReadResult::Status::kRead;
  result.stamp = StampFrom(st);
  result.bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  for (;;) {
    // One byte more than fstat said, so a file that grew is noticed too.
    if (done == result.bytes.size()) result.bytes.resize(done + 1);
    ssize_t n = ::read(fd, result.bytes.data() + done, result.bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int e = errno;
      ::close(fd);
      return Failure(hostPath, orvane::system::ErrorFromErrno(e), std::strerror(e));
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
    if (done > maxBytes) break;
  }
  ::close(fd);
  // Fewer or more bytes than the file has: it changed under the read (an
  // editor writing in place), and what we hold is no version of it.
  if (done != static_cast<std::size_t>(st.st_size))
    return Failure(hostPath, ERROR_READ_FAULT, "changed while it was read");
  result.bytes.resize(done);
  return result;
}

const ReadResult& CachedFile::Get(const std::string& hostPath, bool* changed) {
  FileStamp now = StampOf(hostPath);
  bool same = m_loaded && hostPath == m_path && now == m_result.stamp;
  // An unreadable file is tried again each time: its problem may be mended.
  if (same && m_result.ok() && !Unconfirmed(now, m_readAt)) {
    if (changed) *changed = false;
    return m_result;
  }
  m_readAt = Now();
  ReadResult fresh = Read(hostPath, m_maxBytes);
  bool differs = !m_loaded || hostPath != m_path || fresh.status != m_result.status ||
                 fresh.bytes != m_result.bytes || fresh.error != m_result.error;
  m_loaded = true;
  m_path = hostPath;
  m_result = std::move(fresh);
  if (changed) *changed = differs;
  return m_result;
}

}  // namespace orvane::configfile
