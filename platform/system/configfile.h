// Reading the small text files the platform keeps beside the profile
// (win.ini, drives.ini, registry.reg, devices.ini). Internal to platform/.
//
// Such a file is opened only when it is a regular file, without blocking (a
// FIFO or a device at its path never hangs the caller), and only up to a size
// limit, so a wrong file at that path cannot fill memory. "No such file" is
// the only failure that reads as an empty file: every other one (no
// permission, an I/O error, a read cut short, a file of another kind, a file
// past the limit) is reported, so that a caller never writes back a file it
// could not read.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>

#include "platform/system/winerror.h"

namespace orvane::configfile {

// What identifies one version of a file: changes to any of these mean the
// file must be read again.
struct FileStamp {
  bool present = false;  // a regular file was there
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec mtime{};

  bool operator==(const FileStamp& o) const;
};

struct ReadResult {
  enum class Status { kRead, kMissing, kFailed };
  Status status = Status::kMissing;
  std::string bytes;           // kRead only
  LONG error = ERROR_SUCCESS;  // kFailed: the Windows code (ERROR_FILE_TOO_LARGE past the limit)
  FileStamp stamp;             // of the file read (kRead), otherwise not present

  bool ok() const { return status != Status::kFailed; }
};

// Reads the whole file at hostPath. Refusals other than "missing" are also
// written once per path and reason to the "orvane.config" log category.
// Any thread.
ReadResult Read(const std::string& hostPath, std::size_t maxBytes);

// The stamp of what is at hostPath now (not present when it is no regular file).
FileStamp StampOf(const std::string& hostPath);

// A file kept in memory and read again only when it has changed. Changes
// within the file system's timestamp granularity keep the stamp, so while
// the last read came less than two seconds after the file's last change,
// every Get reads it again and compares the bytes.
class CachedFile {
 public:
  explicit CachedFile(std::size_t maxBytes) : m_maxBytes(maxBytes) {}

  // The file at hostPath as it is now. *changed (may be null) tells whether
  // it differs from what the last call returned. The reference stays valid
  // until the next call. Callers serialise their calls (the object holds no
  // lock of its own).
  const ReadResult& Get(const std::string& hostPath, bool* changed = nullptr);

 private:
  const std::size_t m_maxBytes;
  bool m_loaded = false;
  time_t m_readAt = 0;  // wall-clock seconds of the last read
  std::string m_path;
  ReadResult m_result;
};

}  // namespace orvane::configfile
