#include "dshow_edition/cameraformatmemory.h"

#include <cstdio>
#include <cstdlib>

#include "platform/dshow/formats.h"
#include "platform/system/profile.h"

namespace {

// A section name the profile can hold whatever the identity holds.
std::string SectionOf(const std::string& identity) {
  std::string section = "camera " + identity;
  for (char& c : section)
    if (c == '[' || c == ']' || c == '\n' || c == '\r' || c == ';' || c == '=') c = '_';
  return section;
}

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

void RememberCameraFormat(const std::string& identity, const RememberedFormat& format) {
  if (identity.empty()) return;
  const std::string section = SectionOf(identity);
  char number[16];
  WriteProfileString(section.c_str(), "Format", dshow::SubTypeName(format.subtype));
  std::snprintf(number, sizeof number, "%d", format.width);
  WriteProfileString(section.c_str(), "Width", number);
  std::snprintf(number, sizeof number, "%d", format.height);
  WriteProfileString(section.c_str(), "Height", number);
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

void RememberCurrentFormat(const std::string& identity, dshow::IAMStreamConfig* config) {
  AM_MEDIA_TYPE* type = nullptr;
  if (identity.empty() || !config || FAILED(config->GetFormat(&type))) return;
  if (std::optional<dshow::VideoFormat> format = dshow::VideoFormatOf(*type))
    RememberCameraFormat(identity, {format->subtype, format->width, std::abs(format->height)});
  DeleteMediaType(type);
}
