#include "platform/dshow/gsterrors.h"

#include <cstring>

namespace dshow {

HRESULT HResultFromError(const GError* error, const gchar* debug, bool fromWriter) {
  if (!error) return E_FAIL;
  if (error->domain == GST_RESOURCE_ERROR) {
    switch (error->code) {
      case GST_RESOURCE_ERROR_NO_SPACE_LEFT: return kDiskFull;
      case GST_RESOURCE_ERROR_BUSY: return kDeviceBusy;
      case GST_RESOURCE_ERROR_NOT_FOUND: return fromWriter ? kWriteFault : kDeviceNotConnected;
      case GST_RESOURCE_ERROR_READ: return kDeviceNotConnected;
      case GST_RESOURCE_ERROR_OPEN_READ:
      case GST_RESOURCE_ERROR_OPEN_READ_WRITE:
        return fromWriter ? kWriteFault : kDeviceOpenFailed;
      default: break;
    }
  }
  if (fromWriter) return kWriteFault;
  if (error->domain == GST_STREAM_ERROR && error->code == GST_STREAM_ERROR_DECODE)
    return kInvalidData;
  // A source whose caps meet nothing stops with "not-negotiated".
  if ((error->domain == GST_CORE_ERROR && error->code == GST_CORE_ERROR_NEGOTIATION) ||
      (error->domain == GST_STREAM_ERROR && error->code == GST_STREAM_ERROR_FORMAT) ||
      (debug && std::strstr(debug, "not-negotiated")))
    return VFW_E_NO_ACCEPTABLE_TYPES;
  return E_FAIL;
}

}  // namespace dshow
