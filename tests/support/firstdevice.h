// The first device of a category, bound and added to a graph, as the
// capture tests open their camera and microphone (tests of the capture
// layer only: header-only, so the support library needs no GStreamer).
#pragma once

#include "platform/dshow/com.h"

namespace orvane::test {

inline dshow::Ref<dshow::IBaseFilter> AddFirstDevice(const dshow::Ref<dshow::IGraphBuilder>& graph,
                                                     DeviceCategory category) {
  using namespace dshow;
  Ref<ICreateDevEnum> devEnum;
  CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum);
  Ref<IEnumMoniker> monikers;
  if (!devEnum || devEnum->CreateClassEnumerator(category, &monikers, 0) != S_OK) return nullptr;
  Ref<IMoniker> moniker;
  if (monikers->Next(1, &moniker, nullptr) != S_OK) return nullptr;
  Ref<IBaseFilter> filter;
  moniker->BindToObject(&filter);
  if (filter && graph->AddFilter(filter, "") != S_OK) return nullptr;
  return filter;
}

}  // namespace orvane::test
