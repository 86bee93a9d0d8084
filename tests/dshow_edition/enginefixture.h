// The engine's tests share one set-up: a private prefix, the profile's
// defaults, Velbin's resources, recorded message boxes and an owner window
// that hands the graph's notifications to the engine as the frame window will.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/faults.h"
#include "platform/ui/windowmessage.h"
#include "resources/velbin/velbinresources.h"
#include "tests/support/recordingboxes.h"
#include "tests/support/scopedresourcemodule.h"
#include "tests/support/testprefix.h"

namespace orvane::test {

class FrameStandIn : public QWidget {
 public:
  int graphNotifications = 0;
  int paints = 0;

 protected:
  bool event(QEvent* event) override {
    if (event->type() == WindowMessageEvent::EventType() &&
        static_cast<WindowMessageEvent*>(event)->message() == WM_CAPTURE_GRAPH_EVENT) {
      ++graphNotifications;
      HandleCaptureEvents(this);
      return true;
    }
    if (event->type() == QEvent::Paint) ++paints;
    return QWidget::event(event);
  }
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    GraphState() = CaptureGraphState{};
    firstVideoDevice = 0;
    Settings() = CaptureSettings{};
    SetConstructionDefaults();
    ReadProfileSettings();
    Settings().AudioDevice = 0;
    owner.resize(360, 276);
  }
  ~EngineTest() override {
    HaltPreview();
    if (GraphState().capturing) EndRecording(nullptr);
    DismantleGraph();
    ReleaseCaptureFilters();
    dshow::testapi::ResetDevices();
    dshow::faults::DisarmAll();
  }
  dshow::DeviceDescription Camera(const std::string& name) {
    return dshow::testapi::VirtualCamera(name);
  }

  TempPrefix prefix;
  RecordingMessageBoxes boxes;
  ScopedResourceModule resources{&orvane::resources::VelbinResources()};
  FrameStandIn owner;
};

}  // namespace orvane::test
