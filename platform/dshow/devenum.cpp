#include "platform/dshow/devenum.h"

#include "platform/dshow/capturefilter.h"
#include "platform/dshow/faults.h"
#include "platform/dshow/listenumerator.h"

namespace dshow {

namespace {

class DevicePropertyBag : public IPropertyBag {
 public:
  explicit DevicePropertyBag(DeviceDescription device) : m_device(std::move(device)) {}
  HRESULT Read(const std::string& name, std::string* value) override {
    if (!value) return E_POINTER;
    if (HRESULT hr = faults::Check("IPropertyBag::Read"); FAILED(hr)) return hr;
    if (name == "DevicePath") {
      // Where the device is reached: its V4L2 node, its PipeWire node's
      // name, or "virtual" for the built-in devices.
      *value = !m_device.hostId.empty() ? m_device.hostId : "virtual";
      return S_OK;
    }
    if (name != "FriendlyName" || !m_device.hasName) return E_INVALIDARG;
    *value = m_device.friendlyName;
    return S_OK;
  }

 private:
  DeviceDescription m_device;
};

class DeviceMoniker : public IMoniker {
 public:
  explicit DeviceMoniker(DeviceDescription device) : m_device(std::move(device)) {}
  HRESULT BindToStorage(Ref<IPropertyBag>* bag) override {
    if (!bag) return E_POINTER;
    bag->reset();
    if (HRESULT hr = faults::Check("IMoniker::BindToStorage"); FAILED(hr)) return hr;
    *bag = std::make_shared<DevicePropertyBag>(m_device);
    return S_OK;
  }
  HRESULT BindToObject(Ref<IBaseFilter>* filter) override {
    if (!filter) return E_POINTER;
    filter->reset();
    if (HRESULT hr = faults::Check("IMoniker::BindToObject"); FAILED(hr)) return hr;
    *filter = CaptureFilter::Create(m_device);
    return *filter ? S_OK : VFW_E_NOT_FOUND;
  }

 private:
  DeviceDescription m_device;
};

}  // namespace

HRESULT SystemDeviceEnum::CreateClassEnumerator(DeviceCategory category,
                                                Ref<IEnumMoniker>* enumerator, DWORD) {
  if (!enumerator) return E_POINTER;
  enumerator->reset();
  if (HRESULT hr = faults::Check(category == DeviceCategory::VideoInput
                                     ? "ICreateDevEnum::CreateClassEnumerator(Video)"
                                     : "ICreateDevEnum::CreateClassEnumerator(Audio)");
      hr != S_OK)
    return hr;
  std::vector<DeviceDescription> devices = ListDevices(category);
  if (devices.empty()) return S_FALSE;
  std::vector<Ref<IMoniker>> monikers;
  for (DeviceDescription& device : devices)
    monikers.push_back(std::make_shared<DeviceMoniker>(std::move(device)));
  *enumerator = std::make_shared<ListEnumerator<IEnumMoniker, IMoniker>>(std::move(monikers));
  return S_OK;
}

}  // namespace dshow
