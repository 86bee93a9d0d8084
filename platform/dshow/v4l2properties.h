// IAMVideoProcAmp's and IAMCameraControl's numbered properties over a V4L2
// camera's controls (internal): brightness is V4L2_CID_BRIGHTNESS, white
// balance the colour temperature with its automatic switch, exposure the
// absolute exposure with its automatic mode, and so on. Values are the
// driver's own.
#pragma once

#include "platform/dshow/interfaces.h"
#include "platform/dshow/v4l2controls.h"

namespace dshow::v4l2 {

enum class PropertySet { kVideoProcAmp, kCameraControl };

HRESULT GetRange(NodeControls& node, PropertySet set, long property, long* min, long* max,
                 long* step, long* defaultValue, long* capsFlags);
HRESULT Get(NodeControls& node, PropertySet set, long property, long* value, long* flags);
HRESULT Set(NodeControls& node, PropertySet set, long property, long value, long flags);

// The automatic setting of a mode control (EXPOSURE_AUTO's aperture
// priority, AUTO_WHITE_BALANCE's 1): its default when that is not manual,
// else its first other entry.
long AutomaticValue(const Control& mode, long manual);

}  // namespace dshow::v4l2
