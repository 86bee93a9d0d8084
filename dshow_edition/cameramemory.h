// What was chosen for each camera, kept between runs in the profile, in a
// section of its own per camera ("camera " and the camera's identity),
// beside the program's fourteen keys: the capture format chosen with
// Format ... and the controls set with Source... (values, and which of them
// were left to their automatic mode).
#pragma once

#include <string>
#include <vector>

#include "platform/dshow/formats.h"
#include "platform/dshow/interfaces.h"

// The camera's identity: its DevicePath and its FriendlyName ("" when the
// moniker gives either not).
std::string CameraIdentity(const dshow::Ref<dshow::IMoniker>& moniker);

// Keeps the format's subtype and size as the camera's.
void RememberCameraFormat(const std::string& identity, const dshow::VideoFormat& format);

// Sets the remembered format on the camera's capture pin, at the rate the
// pin has now; a format the camera no longer offers is left alone, quietly.
void ApplyRememberedFormat(const std::string& identity, dshow::IAMStreamConfig* config);

// A control the camera has, by its profile key ("Brightness", "Exposure");
// automatic: its automatic mode drives it ("ExposureAuto=1").
struct CameraControlValue {
  std::string key;
  long value = 0;
  bool automatic = false;
  bool operator==(const CameraControlValue&) const = default;
};

// The picture, lens and exposure controls the camera has now; kept as the
// camera's when they differ from before.
std::vector<CameraControlValue> CurrentControls(const dshow::Ref<dshow::IBaseFilter>& camera);
void RememberControls(const std::string& identity, const std::vector<CameraControlValue>& controls);
// Sets the remembered controls the camera has; the others are left alone.
void ApplyRememberedControls(const std::string& identity,
                             const dshow::Ref<dshow::IBaseFilter>& camera);
