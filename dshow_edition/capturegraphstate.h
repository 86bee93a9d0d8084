// The capture engine's state: every capture-layer reference the program
// holds, the built and running flags, the device name and the start time of
// the last recording. One process-wide record, GUI thread only.
#pragma once

#include <string>

#include "platform/dshow/interfaces.h"
#include "platform/dshow/propertypages.h"

struct CaptureGraphState {
  dshow::Ref<dshow::ICaptureGraphBuilder> builder;
  dshow::Ref<dshow::IGraphBuilder> graph;
  dshow::Ref<dshow::IBaseFilter> videoCapture;
  dshow::Ref<dshow::IBaseFilter> audioCapture;
  dshow::Ref<dshow::IAMStreamConfig> videoStreamConfig;
  dshow::Ref<dshow::IAMStreamConfig> audioStreamConfig;
  dshow::Ref<dshow::IVideoWindow> videoWindow;
  dshow::Ref<dshow::IMediaEventEx> graphEvents;
  dshow::Ref<dshow::IBaseFilter> muxFilter;
  dshow::Ref<dshow::IFileSinkFilter> fileSink;
  dshow::Ref<dshow::IConfigAviMux> aviMuxConfig;
  bool previewGraphBuilt = false;
  bool captureGraphBuilt = false;
  bool previewing = false;
  bool capturing = false;
  bool previewFromCapturePin = false;
  char deviceName[80] = {};
  std::string deviceIdentity;  // the camera's DevicePath: what its remembered format is kept under
  DWORD RecordStartTime = 0;
};

CaptureGraphState& GraphState();
// The enumeration index of the first video device with a readable name.
extern int firstVideoDevice;
