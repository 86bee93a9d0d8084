#include "platform/dshow/gstref.h"

#include <mutex>

namespace dshow::gst {

void EnsureInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

GstElement* Make(const char* factory, const char* name) {
  EnsureInitialised();
  return gst_element_factory_make(factory, name);
}

}  // namespace dshow::gst
