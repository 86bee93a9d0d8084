#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "fuzz/fuzztarget.h"

namespace fuzz {

const std::string& Prefix() {
  static const std::string prefix = [] {
    char folder[] = "/tmp/orvane-fuzz-XXXXXX";
    const char* made = ::mkdtemp(folder);
    static std::string path = made ? made : "/tmp/orvane-fuzz";
    ::setenv("ORVANE_PREFIX", path.c_str(), 1);
    if (made) std::atexit([] { std::filesystem::remove_all(path); });
    return path;
  }();
  return prefix;
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
}

}  // namespace fuzz
