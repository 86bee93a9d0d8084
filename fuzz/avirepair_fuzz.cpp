// The AVI repair on foreign and hostile files: it must refuse or repair,
// never crash, and a repaired file must repair as clean.
#include <string>

#include "fuzz/fuzztarget.h"
#include "platform/dshow/avirepair.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string path = fuzz::Prefix() + "/input.avi";
  fuzz::WriteFile(path, data, size);
  const dshow::AviRepairResult first = dshow::RepairAvi(path);
  // A file repaired with its index is whole: a second repair finds it clean.
  if (first.status == dshow::AviRepairStatus::kRepaired && first.indexWritten &&
      dshow::RepairAvi(path).status != dshow::AviRepairStatus::kClean)
    __builtin_trap();  // a repair that leaves work for the next one
  return 0;
}
