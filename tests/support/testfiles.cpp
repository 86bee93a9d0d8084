#include "tests/support/testfiles.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/system/winpath.h"

namespace fs = std::filesystem;

namespace orvane::test {

std::string HostPath(const std::string& windowsPath) {
  return orvane::winpath::ToHost(windowsPath).value_or("");
}

void WriteHostFile(const std::string& hostPath, const std::string& bytes) {
  fs::path p(hostPath);
  if (p.has_parent_path()) fs::create_directories(p.parent_path());
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadHostFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool HostExists(const std::string& hostPath) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(hostPath, ec));
}

void WriteScript(const std::string& hostPath, const std::string& body) {
  WriteHostFile(hostPath, "#!/bin/sh\n" + body + "\n");
  fs::permissions(hostPath, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
}

}  // namespace orvane::test
