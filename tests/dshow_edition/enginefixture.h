// The engine's tests share one set-up: a private prefix, the profile's
// defaults, Velbin's resources, recorded message boxes and an owner window
// that hands the graph's notifications to the engine as the frame window will.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

#include "dshow_edition/captureengine.h"
#include "dshow_edition/capturesettings.h"
#include "platform/dshow/devices.h"
#include "platform/dshow/faults.h"
#include "platform/ui/dialogbuilder.h"
#include "platform/ui/windowmessage.h"
#include "resources/velbin/velbinresources.h"
#include "tests/support/eventloop.h"
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

// Answers the start prompt once it is up: OK, or Esc.
inline void AnswerPrompt(bool ok) {
  WhenModalShows<QDialog>([ok](QDialog* prompt) {
    if (ok) {
      qobject_cast<QPushButton*>(orvane::ui::GetDlgItem(prompt, IDOK))->click();
      return;
    }
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(prompt, &esc);
  });
}

// Recording with the virtual camera and microphone, through the main
// window's Start and Stop steps.
class RecordingTest : public EngineTest {
 protected:
  RecordingTest() {
    PrepareSaveDirectories();
    dshow::testapi::SetDevices(
        {dshow::testapi::VirtualCamera(), dshow::testapi::VirtualMicrophone()}, false);
  }

  // Start: preview off and taken apart, then the capture graph and the prompt.
  BOOL Start(bool answerOk = true) {
    HaltPreview();
    DismantleGraph();
    if (!AssembleCaptureGraph(&owner)) return FALSE;
    AnswerPrompt(answerOk);
    return BeginRecording(&owner);
  }
  // Stop: the recording ends and the preview comes back.
  void Stop() {
    EndRecording(&owner);
    AssemblePreviewGraph(&owner);
    RunPreview();
  }
};

}  // namespace orvane::test
