// The engine's device half: listing, opening and releasing the device filters.
#include <cstring>

#include "controls/camerahint.h"
#include "dshow_edition/cameramemory.h"
#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "platform/dshow/com.h"

using namespace dshow;

namespace {
CaptureGraphState g_state;

// The maker's camera: a name that begins with "lumitrex" in any case. ASCII
// letters only, so the C library's locale cannot match another name (in a
// Turkish locale "I" and "\xDD" fold to other letters).
bool StartsWithMakerName(const char* name) {
  static constexpr char kMaker[] = "lumitrex";
  for (std::size_t i = 0; i + 1 < sizeof kMaker; ++i) {
    char c = name[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kMaker[i]) return false;  // also stops at the terminator
  }
  return true;
}
}  // namespace

CaptureGraphState& GraphState() { return g_state; }
int firstVideoDevice = 0;

BOOL EnsureGraphBuilder() {
  if (g_state.builder) return TRUE;
  return SUCCEEDED(CoCreateInstance(Clsid::CaptureGraphBuilder, &g_state.builder)) ? TRUE : FALSE;
}

BOOL EnsureFilterGraph() {
  if (g_state.graph) return TRUE;
  return SUCCEEDED(CoCreateInstance(Clsid::FilterGraph, &g_state.graph)) ? TRUE : FALSE;
}

void ReleaseCaptureFilters() {
  g_state.graph.reset();
  g_state.builder.reset();
  g_state.videoCapture.reset();
  g_state.audioCapture.reset();
  g_state.audioStreamConfig.reset();
  g_state.videoStreamConfig.reset();
}

void ListCaptureDevices() {
  Ref<ICreateDevEnum> devEnum;
  if (FAILED(CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum))) return;
  Ref<IEnumMoniker> monikers;
  if (devEnum->CreateClassEnumerator(DeviceCategory::VideoInput, &monikers, 0) != S_OK) {
    PointToCameraDoctor("no camera is listed");
    ShowEngineError("Sorry, you have no video capture hardware");
    return;
  }
  monikers->Reset();
  Ref<IMoniker> moniker;
  ULONG fetched = 0;
  for (int index = 0; monikers->Next(1, &moniker, &fetched) == S_OK; ++index) {
    Ref<IPropertyBag> bag;
    std::string name;
    if (SUCCEEDED(moniker->BindToStorage(&bag)) && SUCCEEDED(bag->Read("FriendlyName", &name))) {
      firstVideoDevice = index;
      return;
    }
  }
}

BOOL SetUpCaptureFilters(HWND) {
  CaptureSettings& settings = Settings();
  if (!EnsureGraphBuilder()) {
    ShowEngineError("Cannot instantiate graph builder");
    return FALSE;
  }
  Ref<IEnumMoniker> monikers;
  {
    Ref<ICreateDevEnum> devEnum;
    if (FAILED(CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum))) return FALSE;
    if (devEnum->CreateClassEnumerator(DeviceCategory::VideoInput, &monikers, 0) != S_OK)
      return FALSE;
  }

  // The maker's camera, by the first eight letters of its name in any case.
  HRESULT hr = S_OK;
  monikers->Reset();
  Ref<IMoniker> moniker;
  ULONG fetched = 0;
  g_state.deviceIdentity.clear();
  for (int index = 0; (hr = monikers->Next(1, &moniker, &fetched)) == S_OK; ++index) {
    std::memset(g_state.deviceName, 0, sizeof g_state.deviceName);
    Ref<IPropertyBag> bag;
    std::string name;
    if (SUCCEEDED(moniker->BindToStorage(&bag)) && SUCCEEDED(bag->Read("FriendlyName", &name)))
      std::strncpy(g_state.deviceName, name.c_str(), sizeof g_state.deviceName - 1);
    if (StartsWithMakerName(g_state.deviceName)) {
      hr = moniker->BindToObject(&g_state.videoCapture);
      g_state.deviceIdentity = CameraIdentity(moniker);
      settings.VideoDevice = index;
      break;
    }
  }
  if (!g_state.videoCapture) {
    PointToCameraDoctor("no camera whose name begins with \"Lumitrex\" could be opened");
    ShowEngineError("Error %x: Cannot create video capture filter", static_cast<unsigned>(hr));
    ReleaseCaptureFilters();
    return FALSE;
  }
  if (!EnsureFilterGraph()) {
    ShowEngineError("Cannot instantiate filtergraph");
    ReleaseCaptureFilters();
    return FALSE;
  }
  if (FAILED(g_state.builder->SetFiltergraph(g_state.graph))) {
    ShowEngineError("Cannot give graph to builder");
    ReleaseCaptureFilters();
    return FALSE;
  }
  if (FAILED(hr = g_state.graph->AddFilter(g_state.videoCapture, ""))) {
    ShowEngineError("Error %x: Cannot add vidcap to filtergraph", static_cast<unsigned>(hr));
    ReleaseCaptureFilters();
    return FALSE;
  }
  if (FAILED(hr = g_state.builder->FindStreamConfig(PinCategory::Capture, g_state.videoCapture,
                                                    &g_state.videoStreamConfig)))
    ShowEngineError("Error %x: Cannot find VCapture:IAMStreamConfig", static_cast<unsigned>(hr));
  else
    ApplyRememberedFormat(g_state.deviceIdentity, g_state.videoStreamConfig.get());
  ApplyRememberedControls(g_state.deviceIdentity, g_state.videoCapture);

  // The audio device is the one at AudioDevice, whatever its name.
  {
    Ref<ICreateDevEnum> devEnum;
    if (FAILED(CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum))) {
      ReleaseCaptureFilters();
      return FALSE;
    }
    if (devEnum->CreateClassEnumerator(DeviceCategory::AudioInput, &monikers, 0) != S_OK) {
      settings.CaptureAudio = 0;
      settings.AudioAvailable = 0;
      return TRUE;
    }
  }
  monikers->Reset();
  for (int index = 0; monikers->Next(1, &moniker, &fetched) == S_OK; ++index) {
    if (index == settings.AudioDevice) {
      moniker->BindToObject(&g_state.audioCapture);
      break;
    }
  }
  if (!g_state.audioCapture) {
    settings.CaptureAudio = 0;
    settings.AudioAvailable = 0;
    ShowEngineError("Cannot create audio capture filter");
    return TRUE;
  }
  if (FAILED(hr = g_state.graph->AddFilter(g_state.audioCapture, ""))) {
    ShowEngineError("Error %x: Cannot add audcap to filtergraph", static_cast<unsigned>(hr));
    ReleaseCaptureFilters();
    return FALSE;
  }
  if (FAILED(g_state.builder->FindStreamConfig(PinCategory::Capture, g_state.audioCapture,
                                               &g_state.audioStreamConfig)))
    ShowEngineError("Cannot find ACapture:IAMStreamConfig");
  return TRUE;
}

void OpenCaptureDevices(HWND owner, int videoIndex, int audioIndex) {
  CaptureSettings& settings = Settings();
  settings.VideoDevice = videoIndex;
  settings.AudioDevice = audioIndex;
  if (g_state.previewing) HaltPreview();
  if (g_state.captureGraphBuilt || g_state.previewGraphBuilt) DismantleGraph();
  ReleaseCaptureFilters();
  SetUpCaptureFilters(owner);
  if (settings.WantPreview) {
    AssemblePreviewGraph(owner);
    RunPreview();
  }
  settings.AudioDevice = audioIndex;
}

void LoadSettings(HWND previewOwner) {
  // The device list is read first; it does not depend on the profile.
  ListCaptureDevices();
  const LONG audioDevice = ReadProfileSettings();
  OpenCaptureDevices(previewOwner, firstVideoDevice, audioDevice);
}
