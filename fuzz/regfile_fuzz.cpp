// The .reg reader on hostile text: parsing, then the lookups the chat
// programs make.
#include <string_view>

#include "fuzz/fuzztarget.h"
#include "platform/system/regfile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orvane::regfile::ParseRegFile(std::string_view(reinterpret_cast<const char*>(data), size));
  orvane::regfile::SplitKeyPath(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
