// The result codes the capture layer reports for GStreamer's errors
// (internal): Windows-style codes, so that "Error %x" texts say what
// happened.
#pragma once

#include <gst/gst.h>

#include "platform/dshow/dshowtypes.h"

namespace dshow {

constexpr HRESULT kDeviceBusy = static_cast<HRESULT>(0x800700AA);          // ERROR_BUSY
constexpr HRESULT kDeviceNotConnected = static_cast<HRESULT>(0x8007048F);  // ERROR_DEVICE_NOT_CONNECTED
constexpr HRESULT kDeviceOpenFailed = static_cast<HRESULT>(0x8007006E);    // ERROR_OPEN_FAILED
constexpr HRESULT kDiskFull = static_cast<HRESULT>(0x80070070);            // ERROR_DISK_FULL
constexpr HRESULT kWriteFault = static_cast<HRESULT>(0x8007001D);          // ERROR_WRITE_FAULT
constexpr HRESULT kInvalidData = static_cast<HRESULT>(0x8007000D);         // ERROR_INVALID_DATA
constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = static_cast<HRESULT>(0x8004022A);

// The code for an error posted by an element; fromWriter: the file writer
// posted it (a failed write is a write fault unless the disk is full).
HRESULT HResultFromError(const GError* error, const gchar* debug, bool fromWriter);

}  // namespace dshow
