#include "platform/dshow/devenum.h"

#include "platform/dshow/capturefilter.h"
#include "platform/dshow/faults.h"

namespace dshow {

namespace {

class DevicePropertyBag : public IPropertyBag {
 public:
  explicit DevicePropertyBag(DeviceDescription device) : m_device(std::move(device)) {}
  HRESULT Read(const std::string& name, std::string* value) override {
    if (!value) return E_POINTER;
    if (HRESULT hr = faults::Check("IPropertyBag::Read"); FAILED(hr)) return hr;
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

class MonikerEnumerator : public IEnumMoniker {
 public:
  explicit MonikerEnumerator(std::vector<DeviceDescription> devices)
      : m_devices(std::move(devices)) {}
  HRESULT Reset() override {
    m_next = 0;
    return S_OK;
  }
  HRESULT Next(ULONG count, Ref<IMoniker>* moniker, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!moniker || count != 1) return E_INVALIDARG;
    moniker->reset();
    if (m_next >= m_devices.size()) return S_FALSE;
    *moniker = std::make_shared<DeviceMoniker>(m_devices[m_next++]);
    if (fetched) *fetched = 1;
    return S_OK;
  }

 private:
  std::vector<DeviceDescription> m_devices;
  std::size_t m_next = 0;
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
  *enumerator = std::make_shared<MonikerEnumerator>(std::move(devices));
  return S_OK;
}

}  // namespace dshow
