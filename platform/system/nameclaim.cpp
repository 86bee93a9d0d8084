#include "platform/system/nameclaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdint>
#include <optional>

#include "platform/system/prefix.h"
#include "platform/system/winpath.h"

namespace orvane::files {

namespace {

// One lock file per name in the cache folder, held with flock: the kernel
// drops it with the process.
std::optional<std::string> LockFileFor(const std::string& windowsPath) {
  const std::optional<std::string> host = orvane::winpath::ToHost(windowsPath);
  if (!host) return std::nullopt;
  // FNV-1a: the same name for every build of the programs.
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : *host) hash = (hash ^ c) * 0x100000001b3ULL;
  char name[32];
  std::snprintf(name, sizeof name, "/%016llx.lock", static_cast<unsigned long long>(hash));
  return orvane::prefix::CacheDir() + "/claims" + name;
}

}  // namespace

std::unique_ptr<NameClaim> NameClaim::Claim(const std::string& windowsPath) {
  const std::optional<std::string> lockFile = LockFileFor(windowsPath);
  if (!lockFile) return nullptr;
  ::mkdir((orvane::prefix::CacheDir() + "/claims").c_str(), 0700);
  const int fd = ::open(lockFile->c_str(),
                        O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return nullptr;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<NameClaim>(new NameClaim(windowsPath, *lockFile, fd));
}

bool NameClaim::StillCoversName() const { return LockFileFor(m_path) == m_lockFile; }

NameClaim::~NameClaim() { ::close(m_fd); }

}  // namespace orvane::files
