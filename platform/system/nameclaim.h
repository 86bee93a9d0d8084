// A claim on a file name among running programs: the first program to claim
// a name holds it until it drops the claim or ends (a crash included), and
// every other claim of it fails meanwhile. The file itself is not touched,
// so the holder may delete and write it anew as often as it likes.
#pragma once

#include <memory>
#include <string>

namespace orvane::files {

class NameClaim {
 public:
  // A claim on windowsPath, or nothing when another running program holds
  // one (or the claim cannot be recorded).
  static std::unique_ptr<NameClaim> Claim(const std::string& windowsPath);
  ~NameClaim();
  NameClaim(const NameClaim&) = delete;
  NameClaim& operator=(const NameClaim&) = delete;

  const std::string& path() const { return m_path; }
  // Whether the name still leads where it did when claimed (the drives and
  // the cache folder may have moved since).
  bool StillCoversName() const;

 private:
  NameClaim(std::string path, std::string lockFile, int fd)
      : m_path(std::move(path)), m_lockFile(std::move(lockFile)), m_fd(fd) {}
  std::string m_path;
  std::string m_lockFile;
  int m_fd;
};

}  // namespace orvane::files
