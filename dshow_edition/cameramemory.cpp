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

// The controls kept, with their keys.
constexpr std::pair<long, const char*> kControls[] = {
    {dshow::VideoProcAmp_Brightness, "Brightness"},
    {dshow::VideoProcAmp_Contrast, "Contrast"},
    {dshow::VideoProcAmp_Hue, "Hue"},
    {dshow::VideoProcAmp_Saturation, "Saturation"},
    {dshow::VideoProcAmp_Sharpness, "Sharpness"},
    {dshow::VideoProcAmp_Gamma, "Gamma"},
    {dshow::VideoProcAmp_WhiteBalance, "WhiteBalance"},
    {dshow::VideoProcAmp_BacklightCompensation, "BacklightCompensation"},
    {dshow::VideoProcAmp_Gain, "Gain"},
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

std::vector<std::pair<long, long>> CurrentControls(const dshow::Ref<dshow::IBaseFilter>& camera) {
  std::vector<std::pair<long, long>> controls;
  dshow::Ref<dshow::IAMVideoProcAmp> amp;
  if (!camera || FAILED(dshow::QueryInterface(camera, &amp))) return controls;
  for (const auto& [property, key] : kControls) {
    long value = 0, flags = 0;
    if (SUCCEEDED(amp->Get(property, &value, &flags))) controls.emplace_back(property, value);
  }
  return controls;
}

void RememberControls(const std::string& identity,
                      const std::vector<std::pair<long, long>>& controls) {
  if (identity.empty()) return;
  const std::string section = SectionOf(identity);
  for (const auto& [property, value] : controls)
    for (const auto& [known, key] : kControls)
      if (known == property) {
        char number[16];
        std::snprintf(number, sizeof number, "%ld", value);
        WriteProfileString(section.c_str(), key, number);
      }
}

void ApplyRememberedControls(const std::string& identity,
                             const dshow::Ref<dshow::IBaseFilter>& camera) {
  dshow::Ref<dshow::IAMVideoProcAmp> amp;
  if (identity.empty() || !camera || FAILED(dshow::QueryInterface(camera, &amp))) return;
  const std::string section = SectionOf(identity);
  for (const auto& [property, key] : kControls) {
    char text[16];
    GetProfileString(section.c_str(), key, "", text, sizeof text);
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end != text && *end == '\0')
      amp->Set(property, value, dshow::VideoProcAmp_Flags_Manual);  // out of range: left alone
  }
}

