// The system device enumerator over ListDevices (internal).
#pragma once

#include "platform/dshow/devices.h"
#include "platform/dshow/interfaces.h"

namespace dshow {

class SystemDeviceEnum : public ICreateDevEnum {
 public:
  HRESULT CreateClassEnumerator(DeviceCategory category, Ref<IEnumMoniker>* enumerator,
                                DWORD flags) override;
};

}  // namespace dshow
