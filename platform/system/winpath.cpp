#include "platform/system/winpath.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/system/configfile.h"
#include "platform/system/inifile.h"
#include "platform/system/prefix.h"
#include "platform/system/unicodetext.h"
#include "platform/system/wintypes.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

std::string StripTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// drives.ini as last read: kept in memory and read again when it changes.
constexpr std::size_t kMaxDriveMapBytes = std::size_t{1} << 20;

struct DriveMap {
  std::array<std::optional<std::string>, 26> mapped;  // host folder per letter A..Z
};

std::shared_ptr<const DriveMap> CurrentDriveMap() {
  static std::mutex lock;
  static orvane::configfile::CachedFile file(kMaxDriveMapBytes);
  static std::shared_ptr<const DriveMap> current;
  std::lock_guard guard(lock);
  bool changed = false;
  const orvane::configfile::ReadResult& read = file.Get(orvane::prefix::DriveMapPath(), &changed);
  if (current && !changed) return current;
  auto map = std::make_shared<DriveMap>();
  if (read.status == orvane::configfile::ReadResult::Status::kRead &&
      orvane::FitsIniLineLimit(read.bytes)) {
    const orvane::IniFile ini = orvane::IniFile::Parse(read.bytes);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
      const char key[] = {letter, '\0'};
      const char keyColon[] = {letter, ':', '\0'};
      std::optional<std::string> root = ini.Get("drives", key);
      if (!root) root = ini.Get("drives", keyColon);
      // Only absolute host folders make sense as a drive root.
      if (root && !root->empty() && root->front() == '/')
        map->mapped[static_cast<std::size_t>(letter - 'A')] = StripTrailingSlashes(*root);
    }
  }
  current = std::move(map);
  return current;
}

// The host folder of an upper-case letter under that map.
std::optional<std::string> RootOf(const DriveMap& map, char letter) {
  if (const auto& mapped = map.mapped[static_cast<std::size_t>(letter - 'A')]) return mapped;
  if (letter == 'C') return StripTrailingSlashes(orvane::prefix::DriveCRoot());
  if (letter == 'Z') return std::string("/");
  return std::nullopt;
}

bool EntryExists(const std::string& hostPath) {
  struct stat st;
  return ::lstat(hostPath.c_str(), &st) == 0;
}

// The entry of dir whose name equals name under Unicode case folding; the
// first in byte order when several do, so the choice does not depend on the
// order the file system lists them in.
std::optional<std::string> FindNoCase(const std::string& dir, const std::string& name) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return std::nullopt;
  // Bytes that are not UTF-8 have no case to fold: such a name matches only
  // itself (a folded comparison would turn them into U+FFFD and match
  // another file).
  if (!orvane::text::IsValidUtf8(name)) {
    ::closedir(d);
    return std::nullopt;
  }
  const QString wanted =
      QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded();
  std::vector<std::string> matches;
  while (dirent* entry = ::readdir(d)) {
    std::string candidate = entry->d_name;
    if (candidate == "." || candidate == ".." || !orvane::text::IsValidUtf8(candidate)) continue;
    if (QString::fromUtf8(candidate.data(), static_cast<qsizetype>(candidate.size()))
            .toCaseFolded() == wanted)
      matches.push_back(std::move(candidate));
  }
  ::closedir(d);
  if (matches.empty()) return std::nullopt;
  return *std::min_element(matches.begin(), matches.end());
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (!::getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

bool StartsWithFolder(const std::string& path, const std::string& folder) {
  if (folder == "/") return !path.empty() && path.front() == '/';
  return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}

std::string Backslashed(std::string_view hostRest) {
  std::string out(hostRest);
  std::replace(out.begin(), out.end(), '/', '\\');
  return out;
}

}  // namespace

namespace orvane::winpath {

bool HasDriveLetter(std::string_view text) {
  return text.size() >= 2 && text[1] == ':' &&
         ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

std::optional<std::string> DriveRoot(char letter) {
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
  if (letter < 'A' || letter > 'Z') return std::nullopt;
  return RootOf(*CurrentDriveMap(), letter);
}

std::optional<std::string> ToHost(std::string_view windowsPath, LONG* error) {
  auto fail = [&](LONG code) -> std::optional<std::string> {
    if (error) *error = code;
    return std::nullopt;
  };
  if (windowsPath.empty()) return fail(ERROR_PATH_NOT_FOUND);
  if (windowsPath.size() > MAX_PATH - 1) return fail(ERROR_FILENAME_EXCED_RANGE);
  if (windowsPath.find('\0') != std::string_view::npos) return fail(ERROR_PATH_NOT_FOUND);

  std::string absolute;
  if (HasDriveLetter(windowsPath)) {
    absolute = std::string(windowsPath);
  } else if (IsSeparator(windowsPath.front())) {
    // Network paths ("\\server\share") have no host counterpart.
    if (windowsPath.size() > 1 && IsSeparator(windowsPath[1])) return fail(ERROR_PATH_NOT_FOUND);
    absolute = "C:" + std::string(windowsPath);
  } else {
    absolute = FromHost(CurrentDirectory()) + "\\" + std::string(windowsPath);
  }

  std::optional<std::string> root = DriveRoot(absolute[0]);
  if (!root) return fail(ERROR_PATH_NOT_FOUND);

  // Lexical clean-up first: ".." never climbs above the drive's root.
  std::vector<std::string> parts;
  std::string_view rest = std::string_view(absolute).substr(2);
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = start;
    while (end < rest.size() && !IsSeparator(rest[end])) ++end;
    std::string part(rest.substr(start, end - start));
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }

  std::string host = *root;
  bool resolving = true;
  for (const std::string& part : parts) {
    std::string exact = Join(host, part);
    if (resolving && !EntryExists(exact)) {
      if (auto match = FindNoCase(host, part)) {
        host = Join(host, *match);
        continue;
      }
      // Nothing below a missing folder can exist: keep the rest as written.
      resolving = false;
    }
    host = std::move(exact);
  }
  return host;
}

std::string FromHost(std::string_view hostPath) {
  std::string path(hostPath);
  if (path.empty() || path.front() != '/') path = Join(CurrentDirectory(), path);
  path = StripTrailingSlashes(path);

  // The longest mapped root that holds the path names its drive; Z: holds all.
  const std::shared_ptr<const DriveMap> map = CurrentDriveMap();
  char bestLetter = 'Z';
  std::string bestRoot = "/";
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    std::optional<std::string> root = RootOf(*map, letter);
    if (!root || *root == "/") continue;
    if (StartsWithFolder(path, *root) && root->size() > bestRoot.size()) {
      bestLetter = letter;
      bestRoot = *root;
    }
  }
  std::string rest = bestRoot == "/" ? path.substr(1) : path.substr(bestRoot.size());
  if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
  return std::string{bestLetter, ':', '\\'} + Backslashed(rest);
}

}  // namespace orvane::winpath
