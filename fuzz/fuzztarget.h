// What every fuzz target defines, and the private prefix its files go to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fuzz {

// A fresh temporary ORVANE_PREFIX for this process (made once); drive C: is
// its drive_c.
const std::string& Prefix();
// Writes bytes to the host file at path, replacing it.
void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size);

}  // namespace fuzz
