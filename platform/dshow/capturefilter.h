// The device filters: a camera (capture pin, optional preview pin) and a
// microphone (capture pin), built from a device description (internal).
//
// Camera bin: source chain ! capsfilter ! tee; every output pin is a tee
// branch through a valve, so pins can be held back and extra branches added
// when one output must feed two filters. Microphone bin: source chain !
// capsfilter ! valve. The source chain is its device family's
// (virtualdevices, v4l2devices, pipewiredevices); it is rebuilt when the
// format changes while the graph is stopped, and for every run where the
// family needs a new element each time, and after every run: a stopped
// source keeps nothing of its run.
//
// A camera is asked for the rate it offers nearest to the one the format
// asks for (a camera offering 30/1 and 15/1 runs at 15/1 for 14.99 fps);
// the format keeps the rate asked for, which the file is written at
// (avimuxfilter.h).
#pragma once

#include <atomic>
#include <map>
#include <memory>

#include "platform/dshow/devices.h"
#include "platform/dshow/filterbase.h"
#include "platform/dshow/propertypages.h"
#include "platform/dshow/v4l2controls.h"

typedef struct _GstColorBalance GstColorBalance;
typedef struct _GstColorBalanceChannel GstColorBalanceChannel;

namespace dshow {

namespace testapi {
void FailRunningDevice(const Ref<IBaseFilter>& filter);
}

// IAMVideoProcAmp and IAMCameraControl have methods of the same names and
// types: each reaches the filter through overloads told apart by the
// interface they answer for.
template <class Interface>
class ControlFace : public Interface {
 public:
  HRESULT GetRange(long property, long* min, long* max, long* step, long* defaultValue,
                   long* capsFlags) final {
    return ControlRange(kFace, property, min, max, step, defaultValue, capsFlags);
  }
  HRESULT Set(long property, long value, long flags) final {
    return ControlSet(kFace, property, value, flags);
  }
  HRESULT Get(long property, long* value, long* flags) final {
    return ControlGet(kFace, property, value, flags);
  }

 protected:
  static constexpr Interface* kFace = nullptr;
  virtual HRESULT ControlRange(Interface*, long property, long* min, long* max, long* step,
                               long* defaultValue, long* capsFlags) = 0;
  virtual HRESULT ControlSet(Interface*, long property, long value, long flags) = 0;
  virtual HRESULT ControlGet(Interface*, long property, long* value, long* flags) = 0;
};

class CaptureFilter : public FilterBase,
                      public ISpecifyPropertyPages,
                      public ControlFace<IAMVideoProcAmp>,
                      public ControlFace<IAMCameraControl> {
 public:
  // Null when the device's source cannot be built (a host device that is gone).
  static Ref<CaptureFilter> Create(const DeviceDescription& device);

  const DeviceDescription& device() const { return m_device; }
  bool isVideo() const { return m_device.category == DeviceCategory::VideoInput; }

  // The first pin of that category that is free, or nothing.
  Ref<Pin> FreePin(PinCategory category) const;
  Ref<Pin> FirstPin(PinCategory category) const;
  // A new tee branch giving the same stream as the capture pin (cameras only).
  Ref<Pin> AddBranchPin();

  // Formats: the current one and the ones the device offers.
  VideoFormat videoFormat() const { return m_video; }
  AudioFormat audioFormat() const { return m_audio; }
  std::vector<VideoFormatRange> videoFormats() const { return m_offered; }
  std::vector<AudioFormat> audioFormats() const;
  // The rate the camera itself runs at for the current format.
  Fraction cameraRate() const;
  // VFW_E_INVALIDMEDIATYPE for a subtype and size the device does not
  // offer; any rate above 0 is taken (the camera runs at its nearest).
  HRESULT SetVideoFormat(const VideoFormat& format);
  HRESULT SetAudioFormat(const AudioFormat& format);

  // Holds a pin's stream back (its buffers are dropped) or lets it through.
  // Released pins drop buffers stamped before runningTimeStart, so that
  // streams released together start together.
  static void HoldBack(Pin& pin, bool held, GstClockTime runningTimeStart);

  // The virtual camera's own controls (its picture and the clock on it).
  int testPattern() const { return m_pattern; }
  void setTestPattern(int pattern);
  bool showsClock() const { return m_clock; }
  void setShowsClock(bool shown);
  // The camera's picture controls, when it has them (a host camera's
  // driver, the virtual camera's balance); owned by the filter.
  GstColorBalance* colorBalance() const;
  // Sets a control by its channel's label and keeps the value for sources
  // built later; false when there is no such control.
  bool setControl(const std::string& label, int value);

  // A V4L2 camera's own controls through its node, however it is reached;
  // null for other devices. Where there are, they are the camera's
  // controls, and the source's colour balance is not used.
  v4l2::NodeControls* nodeControls();

  HRESULT GetPages(CAUUID* pages) override;

  MajorType OutputMajorType(const Pin& output) const override;
  std::optional<VideoFormat> OutputVideoFormat(const Pin& output) const override;
  void PrepareRun() override;
  void Stopped() override;
  bool StreamStarted() const override { return m_started.load(); }
  HRESULT StreamStartFailure() const override;
  void EndStalledStream() override;
  ~CaptureFilter() override;

 private:
  explicit CaptureFilter(const DeviceDescription& device);
  bool Build();
  bool BuildSourceChain();
  Ref<Pin> AddTeePin(const std::string& name, PinCategory category);
  Ref<Pin> AddValvePin(GstElement* upstream, const std::string& name, PinCategory category);
  bool AddHostSource();
  HRESULT ControlRange(IAMVideoProcAmp*, long property, long* min, long* max, long* step,
                       long* defaultValue, long* capsFlags) override;
  HRESULT ControlSet(IAMVideoProcAmp*, long property, long value, long flags) override;
  HRESULT ControlGet(IAMVideoProcAmp*, long property, long* value, long* flags) override;
  HRESULT ControlRange(IAMCameraControl*, long property, long* min, long* max, long* step,
                       long* defaultValue, long* capsFlags) override;
  HRESULT ControlSet(IAMCameraControl*, long property, long value, long flags) override;
  HRESULT ControlGet(IAMCameraControl*, long property, long* value, long* flags) override;
  GstColorBalanceChannel* Channel(long property) const;
  void KeepControls();
  static GstPadProbeReturn OnFirstBuffer(GstPad* pad, GstPadProbeInfo* info, gpointer self);

  DeviceDescription m_device;
  VideoFormat m_video;
  AudioFormat m_audio;
  std::vector<VideoFormatRange> m_offered;
  GstElement* m_caps = nullptr;  // the bin's capsfilter, the chain's end
  GstElement* m_tee = nullptr;
  std::vector<GstElement*> m_chain;  // source elements before m_caps
  int m_branches = 0;
  int m_pattern = 0;    // the virtual camera's videotestsrc pattern
  bool m_clock = true;  // the virtual camera draws the running time
  GstElement* m_testSource = nullptr;
  GstElement* m_clockOverlay = nullptr;
  std::map<std::string, int> m_controls;         // by label: values set, kept for new sources
  std::map<std::string, int> m_controlDefaults;  // by label: the value first seen
  std::unique_ptr<v4l2::NodeControls> m_nodeControls;
  bool m_nodeOpened = false;           // m_nodeControls was tried
  std::atomic<bool> m_started{false};  // set on the streaming thread
  std::atomic<bool> m_gone{false};     // set on a device provider's thread
  int m_removalWatch = 0;
  bool m_failing = false;  // tests: the device fails in every run (GUI thread)

  friend void testapi::FailRunningDevice(const Ref<IBaseFilter>& filter);
};

// The stream configuration of a capture filter's pin.
class StreamConfig : public IAMStreamConfig, public ISpecifyPropertyPages {
 public:
  explicit StreamConfig(Ref<CaptureFilter> filter) : m_filter(std::move(filter)) {}
  const Ref<CaptureFilter>& filter() const { return m_filter; }
  HRESULT GetPages(CAUUID* pages) override;
  HRESULT GetFormat(AM_MEDIA_TYPE** type) override;
  HRESULT SetFormat(const AM_MEDIA_TYPE* type) override;
  std::vector<std::unique_ptr<AM_MEDIA_TYPE, void (*)(AM_MEDIA_TYPE*)>> Formats() override;

 private:
  Ref<CaptureFilter> m_filter;
};

}  // namespace dshow

namespace dshow::testapi {

// Makes a device filter fail as a device that is unplugged while running:
// its source reports a read error, delivers nothing more and ends its stream.
// The device stays gone for the filter's life.
void FailRunningDevice(const Ref<IBaseFilter>& filter);

}  // namespace dshow::testapi
