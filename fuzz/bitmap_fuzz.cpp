// The BMP loading behind the picture strips: a thumbnail file of any
// content.
#include <QGuiApplication>
#include <cstdlib>

#include "fuzz/fuzztarget.h"
#include "platform/ui/imagefile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::WriteFile(fuzz::Prefix() + "/drive_c/thumb.bmp", data, size);
  orvane::ui::LoadBitmapFile("C:\\thumb.bmp");
  return 0;
}
