// The path mapper on hostile Windows paths (and a hostile drive map): to the
// host and back.
#include <string>

#include "fuzz/fuzztarget.h"
#include "platform/system/winpath.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& prefix = fuzz::Prefix();
  const std::string text(reinterpret_cast<const char*>(data), size);
  // Inputs starting with '[' are a drive map as well.
  if (!text.empty() && text[0] == '[') fuzz::WriteFile(prefix + "/drives.ini", data, size);
  LONG error = 0;
  if (auto host = orvane::winpath::ToHost(text, &error)) orvane::winpath::FromHost(*host);
  orvane::winpath::FromHost(text);
  return 0;
}
