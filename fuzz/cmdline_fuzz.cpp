// The Windows command-line rules: the splitter and the program resolution
// that every launch goes through.
#include <string>

#include "fuzz/fuzztarget.h"
#include "platform/system/cmdlineparse.h"
#include "platform/system/process.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Prefix();
  const std::string text(reinterpret_cast<const char*>(data), size);
  orvane::process::cmdline::SplitArguments(text);
  std::size_t end = 0;
  orvane::process::cmdline::ParseProgram(text, 0, &end);
  LONG error = 0;
  orvane::process::ResolveCommandLine(text, &error);
  return 0;
}
