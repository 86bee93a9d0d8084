#include "platform/dshow/v4l2properties.h"

#include <linux/videodev2.h>

namespace dshow::v4l2 {

namespace {

struct Mapping {
  PropertySet set;
  long property;
  std::uint32_t id;
};

constexpr Mapping kMappings[] = {
    {PropertySet::kVideoProcAmp, VideoProcAmp_Brightness, V4L2_CID_BRIGHTNESS},
    {PropertySet::kVideoProcAmp, VideoProcAmp_Contrast, V4L2_CID_CONTRAST},
    {PropertySet::kVideoProcAmp, VideoProcAmp_Hue, V4L2_CID_HUE},
    {PropertySet::kVideoProcAmp, VideoProcAmp_Saturation, V4L2_CID_SATURATION},
    {PropertySet::kVideoProcAmp, VideoProcAmp_Sharpness, V4L2_CID_SHARPNESS},
    {PropertySet::kVideoProcAmp, VideoProcAmp_Gamma, V4L2_CID_GAMMA},
    {PropertySet::kVideoProcAmp, VideoProcAmp_WhiteBalance, V4L2_CID_WHITE_BALANCE_TEMPERATURE},
    {PropertySet::kVideoProcAmp, VideoProcAmp_BacklightCompensation,
     V4L2_CID_BACKLIGHT_COMPENSATION},
    {PropertySet::kVideoProcAmp, VideoProcAmp_Gain, V4L2_CID_GAIN},
    {PropertySet::kVideoProcAmp, VideoProcAmp_PowerlineFrequency, V4L2_CID_POWER_LINE_FREQUENCY},
    {PropertySet::kCameraControl, CameraControl_Pan, V4L2_CID_PAN_ABSOLUTE},
    {PropertySet::kCameraControl, CameraControl_Tilt, V4L2_CID_TILT_ABSOLUTE},
    {PropertySet::kCameraControl, CameraControl_Zoom, V4L2_CID_ZOOM_ABSOLUTE},
    {PropertySet::kCameraControl, CameraControl_Exposure, V4L2_CID_EXPOSURE_ABSOLUTE},
    {PropertySet::kCameraControl, CameraControl_Iris, V4L2_CID_IRIS_ABSOLUTE},
    {PropertySet::kCameraControl, CameraControl_Focus, V4L2_CID_FOCUS_ABSOLUTE},
};

std::optional<Control> Mapped(NodeControls& node, PropertySet set, long property) {
  for (const Mapping& m : kMappings)
    if (m.set == set && m.property == property) return node.Find(m.id);
  return std::nullopt;
}

// The control's automatic mode, when the camera has one.
std::optional<std::pair<Control, long>> Mode(NodeControls& node, const Control& control) {
  const auto automatic = NodeControls::AutomaticOf(control.id);
  if (!automatic) return std::nullopt;
  std::optional<Control> mode = node.Find(automatic->first);
  if (!mode) return std::nullopt;
  return std::pair{*mode, automatic->second};
}

}  // namespace

long AutomaticValue(const Control& mode, long manual) {
  if (mode.defaultValue != manual) return mode.defaultValue;
  if (mode.type == Control::Type::kMenu)
    for (const auto& [value, name] : mode.items)
      if (value != manual) return value;
  return manual == 0 ? 1 : 0;
}

HRESULT GetRange(NodeControls& node, PropertySet set, long property, long* min, long* max,
                 long* step, long* defaultValue, long* capsFlags) {
  if (!min || !max || !step || !defaultValue || !capsFlags) return E_POINTER;
  const std::optional<Control> control = Mapped(node, set, property);
  if (!control) return E_PROP_ID_UNSUPPORTED;
  *min = control->min;
  *max = control->max;
  *step = control->step;
  *defaultValue = control->defaultValue;
  *capsFlags = VideoProcAmp_Flags_Manual | (Mode(node, *control) ? VideoProcAmp_Flags_Auto : 0);
  return S_OK;
}

HRESULT Get(NodeControls& node, PropertySet set, long property, long* value, long* flags) {
  if (!value || !flags) return E_POINTER;
  const std::optional<Control> control = Mapped(node, set, property);
  if (!control) return E_PROP_ID_UNSUPPORTED;
  const std::optional<long> now = node.Get(control->id);
  if (!now) return E_FAIL;
  *value = *now;
  *flags = VideoProcAmp_Flags_Manual;
  if (const auto mode = Mode(node, *control)) {
    const std::optional<long> modeNow = node.Get(mode->first.id);
    if (modeNow && *modeNow != mode->second) *flags = VideoProcAmp_Flags_Auto;
  }
  return S_OK;
}

HRESULT Set(NodeControls& node, PropertySet set, long property, long value, long flags) {
  const std::optional<Control> control = Mapped(node, set, property);
  if (!control) return E_PROP_ID_UNSUPPORTED;
  const auto mode = Mode(node, *control);
  if (flags & VideoProcAmp_Flags_Auto) {
    if (!mode) return E_INVALIDARG;
    return node.Set(mode->first.id, AutomaticValue(mode->first, mode->second)) ? S_OK : E_FAIL;
  }
  if (value < control->min || value > control->max) return E_INVALIDARG;
  // The automatic mode lets go first: the driver refuses a value it drives.
  if (mode && node.Get(mode->first.id) != mode->second && !node.Set(mode->first.id, mode->second))
    return E_FAIL;
  return node.Set(control->id, value) ? S_OK : E_FAIL;
}

}  // namespace dshow::v4l2
