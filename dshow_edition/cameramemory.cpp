#include "dshow_edition/cameramemory.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "platform/dshow/com.h"
#include "platform/dshow/formats.h"
#include "platform/system/profile.h"

namespace {

struct RememberedFormat {
  SubType subtype = SubType::Unknown;
  int width = 0;
  int height = 0;
};

// A section name the profile can hold whatever the identity holds.
std::string SectionOf(const std::string& identity) {
  std::string section = "camera " + identity;
  for (char& c : section)
    if (c == '[' || c == ']' || c == '\n' || c == '\r' || c == ';' || c == '=') c = '_';
  return section;
}

std::optional<RememberedFormat> RememberedCameraFormat(const std::string& identity) {
  if (identity.empty()) return std::nullopt;
  const std::string section = SectionOf(identity);
  char name[16];
  GetProfileString(section.c_str(), "Format", "", name, sizeof name);
  RememberedFormat format;
  format.subtype = dshow::SubTypeNamed(name);
  format.width = static_cast<int>(GetProfileInt(section.c_str(), "Width", 0));
  format.height = static_cast<int>(GetProfileInt(section.c_str(), "Height", 0));
  if (format.subtype == SubType::Unknown || format.width <= 0 || format.height <= 0 ||
      format.width > 16384 || format.height > 16384)
    return std::nullopt;
  return format;
}

// The controls kept, with their keys: the picture's, then the lens's and
// the exposure's (IAMCameraControl).
struct KeptControl {
  bool lens;
  long property;
  const char* key;
};
constexpr KeptControl kControls[] = {
    {false, dshow::VideoProcAmp_Brightness, "Brightness"},
    {false, dshow::VideoProcAmp_Contrast, "Contrast"},
    {false, dshow::VideoProcAmp_Hue, "Hue"},
    {false, dshow::VideoProcAmp_Saturation, "Saturation"},
    {false, dshow::VideoProcAmp_Sharpness, "Sharpness"},
    {false, dshow::VideoProcAmp_Gamma, "Gamma"},
    {false, dshow::VideoProcAmp_WhiteBalance, "WhiteBalance"},
    {false, dshow::VideoProcAmp_BacklightCompensation, "BacklightCompensation"},
    {false, dshow::VideoProcAmp_Gain, "Gain"},
    {false, dshow::VideoProcAmp_PowerlineFrequency, "PowerlineFrequency"},
    {true, dshow::CameraControl_Exposure, "Exposure"},
    {true, dshow::CameraControl_Focus, "Focus"},
    {true, dshow::CameraControl_Zoom, "Zoom"},
    {true, dshow::CameraControl_Pan, "Pan"},
    {true, dshow::CameraControl_Tilt, "Tilt"},
    {true, dshow::CameraControl_Iris, "Iris"},
};

// The camera's two control interfaces; either may be missing.
struct ControlFaces {
  dshow::Ref<dshow::IAMVideoProcAmp> amp;
  dshow::Ref<dshow::IAMCameraControl> lens;
  explicit ControlFaces(const dshow::Ref<dshow::IBaseFilter>& camera) {
    if (!camera) return;
    dshow::QueryInterface(camera, &amp);
    dshow::QueryInterface(camera, &lens);
  }
  HRESULT Get(const KeptControl& c, long* value, long* flags) const {
    if (c.lens) return lens ? lens->Get(c.property, value, flags) : E_NOINTERFACE;
    return amp ? amp->Get(c.property, value, flags) : E_NOINTERFACE;
  }
  HRESULT Set(const KeptControl& c, long value, long flags) const {
    if (c.lens) return lens ? lens->Set(c.property, value, flags) : E_NOINTERFACE;
    return amp ? amp->Set(c.property, value, flags) : E_NOINTERFACE;
  }
};

}  // namespace

std::string CameraIdentity(const dshow::Ref<dshow::IMoniker>& moniker) {
  // Where it is reached and what it is called: a node number reused by
  // another camera after a replug is not taken for the first one.
  dshow::Ref<dshow::IPropertyBag> bag;
  std::string path, name;
  if (!moniker || FAILED(moniker->BindToStorage(&bag)) || FAILED(bag->Read("DevicePath", &path)) ||
      FAILED(bag->Read("FriendlyName", &name)))
    return {};
  return path + ":" + name;
}

void RememberCameraFormat(const std::string& identity, const dshow::VideoFormat& format) {
  if (identity.empty()) return;
  const std::string section = SectionOf(identity);
  char number[16];
  WriteProfileString(section.c_str(), "Format", dshow::SubTypeName(format.subtype));
  std::snprintf(number, sizeof number, "%d", format.width);
  WriteProfileString(section.c_str(), "Width", number);
  std::snprintf(number, sizeof number, "%d", std::abs(format.height));
  WriteProfileString(section.c_str(), "Height", number);
}

void ApplyRememberedFormat(const std::string& identity, dshow::IAMStreamConfig* config) {
  const std::optional<RememberedFormat> remembered = RememberedCameraFormat(identity);
  AM_MEDIA_TYPE* type = nullptr;
  if (!remembered || !config || FAILED(config->GetFormat(&type))) return;
  std::optional<dshow::VideoFormat> format = dshow::VideoFormatOf(*type);
  DeleteMediaType(type);
  if (!format) return;
  format->subtype = remembered->subtype;
  format->width = remembered->width;
  format->height = remembered->height;
  AM_MEDIA_TYPE* wanted = dshow::ToMediaType(*format);
  config->SetFormat(wanted);  // refused: the camera keeps its default
  DeleteMediaType(wanted);
}

std::vector<CameraControlValue> CurrentControls(const dshow::Ref<dshow::IBaseFilter>& camera) {
  std::vector<CameraControlValue> controls;
  const ControlFaces faces(camera);
  for (const KeptControl& c : kControls) {
    long value = 0, flags = 0;
    if (SUCCEEDED(faces.Get(c, &value, &flags)))
      controls.push_back({c.key, value, (flags & dshow::VideoProcAmp_Flags_Auto) != 0});
  }
  return controls;
}

void RememberControls(const std::string& identity, const std::vector<CameraControlValue>& controls) {
  if (identity.empty()) return;
  const std::string section = SectionOf(identity);
  for (const CameraControlValue& c : controls) {
    char number[16];
    std::snprintf(number, sizeof number, "%ld", c.value);
    WriteProfileString(section.c_str(), c.key.c_str(), number);
    WriteProfileString(section.c_str(), (c.key + "Auto").c_str(), c.automatic ? "1" : nullptr);
  }
}

void ApplyRememberedControls(const std::string& identity,
                             const dshow::Ref<dshow::IBaseFilter>& camera) {
  if (identity.empty()) return;
  const ControlFaces faces(camera);
  const std::string section = SectionOf(identity);
  for (const KeptControl& c : kControls) {
    // Refused values (out of range, a control the camera lacks) are left alone.
    if (GetProfileInt(section.c_str(), (std::string(c.key) + "Auto").c_str(), 0) == 1) {
      faces.Set(c, 0, dshow::VideoProcAmp_Flags_Auto);
      continue;
    }
    char text[16];
    GetProfileString(section.c_str(), c.key, "", text, sizeof text);
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end != text && *end == '\0') faces.Set(c, value, dshow::VideoProcAmp_Flags_Manual);
  }
}
