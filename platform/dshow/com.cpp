#include "platform/dshow/com.h"

#include "platform/dshow/capturegraphbuilder.h"
#include "platform/dshow/devenum.h"
#include "platform/dshow/faults.h"

namespace dshow {

namespace {
int g_initialised = 0;  // GUI thread only
}

HRESULT QueryFault(const char* interfaceName) {
  return faults::Check(std::string("QueryInterface(") + interfaceName + ")");
}

HRESULT CoInitialize(void*) {
  gst::EnsureInitialised();
  return g_initialised++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
  if (g_initialised > 0) --g_initialised;
}

HRESULT CreateObject(Clsid clsid, Ref<IUnknown>* object) {
  if (!object) return E_POINTER;
  object->reset();
  static const char* const names[] = {"CoCreateInstance(SystemDeviceEnum)",
                                      "CoCreateInstance(CaptureGraphBuilder)",
                                      "CoCreateInstance(FilterGraph)"};
  if (HRESULT hr = faults::Check(names[static_cast<int>(clsid)]); FAILED(hr)) return hr;
  switch (clsid) {
    case Clsid::SystemDeviceEnum: *object = std::make_shared<SystemDeviceEnum>(); break;
    case Clsid::CaptureGraphBuilder: *object = std::make_shared<CaptureGraphBuilder>(); break;
    case Clsid::FilterGraph: *object = std::make_shared<FilterGraph>(); break;
  }
  return S_OK;
}

}  // namespace dshow
