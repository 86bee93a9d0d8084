// Creating the capture layer's objects, as CoCreateInstance does.
#pragma once

#include "platform/dshow/interfaces.h"

namespace dshow {

enum class Clsid { SystemDeviceEnum, CaptureGraphBuilder, FilterGraph };

// Starts the layer for the calling (GUI) thread; S_OK, S_FALSE when it was
// already started. CoUninitialize undoes one call.
HRESULT CoInitialize(void* reserved);
void CoUninitialize();

// A new object of the class with interface T, or E_NOINTERFACE when the class
// has no such interface. Tests can make a creation fail
// ("CoCreateInstance(CaptureGraphBuilder)").
HRESULT CreateObject(Clsid clsid, Ref<IUnknown>* object);
template <class T>
HRESULT CoCreateInstance(Clsid clsid, Ref<T>* out) {
  if (!out) return E_POINTER;
  out->reset();
  Ref<IUnknown> object;
  if (HRESULT hr = CreateObject(clsid, &object); FAILED(hr)) return hr;
  *out = std::dynamic_pointer_cast<T>(object);
  return *out ? S_OK : E_NOINTERFACE;
}

}  // namespace dshow
