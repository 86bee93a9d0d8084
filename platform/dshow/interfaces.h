// The capture interfaces the engine calls, shaped like their Windows models.
//
// Conventions for every method below unless it says otherwise:
// - Ownership: a reference handed out through an out parameter is a new
//   counted reference owned by the caller; "release" is resetting it. Out
//   parameters are left null on failure.
// - Threads: the GUI thread only. Streaming happens on GStreamer's threads
//   inside the layer and reaches callers only as posted window messages.
// - Results: S_OK (or the success codes named) on success; a failure code
//   (E_FAIL, E_POINTER, E_INVALIDARG, VFW_E_...) otherwise, never an exception.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/dshow/dshowtypes.h"

namespace dshow {

class IUnknown {
 public:
  virtual ~IUnknown() = default;
};
template <class T>
using Ref = std::shared_ptr<T>;

// Asks an object for another of its interfaces: S_OK, or E_NOINTERFACE with
// *out null. Tests can make a query fail ("QueryInterface(IMediaControl)").
HRESULT QueryFault(const char* interfaceName);
template <class T, class From>
HRESULT QueryInterface(const Ref<From>& from, Ref<T>* out) {
  if (!out) return E_POINTER;
  out->reset();
  if (!from) return E_POINTER;
  if (HRESULT hr = QueryFault(T::kName); FAILED(hr)) return hr;
  *out = std::dynamic_pointer_cast<T>(from);
  return *out ? S_OK : E_NOINTERFACE;
}

class IBaseFilter;
class IPin;
class IGraphBuilder;

class IPropertyBag : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IPropertyBag";
  // Reads a text property ("FriendlyName") as UTF-8. E_INVALIDARG when absent.
  virtual HRESULT Read(const std::string& name, std::string* value) = 0;
};

class IMoniker : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IMoniker";
  virtual HRESULT BindToStorage(Ref<IPropertyBag>* bag) = 0;
  // A new filter for the device each call (it is not in any graph yet).
  virtual HRESULT BindToObject(Ref<IBaseFilter>* filter) = 0;
};

class IEnumMoniker : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IEnumMoniker";
  virtual HRESULT Reset() = 0;
  // Hands out the next moniker: S_OK, or S_FALSE at the end (moniker null).
  virtual HRESULT Next(ULONG count, Ref<IMoniker>* moniker, ULONG* fetched) = 0;
};

class ICreateDevEnum : public virtual IUnknown {
 public:
  static constexpr const char* kName = "ICreateDevEnum";
  // S_OK with an enumerator only when the category holds devices; S_FALSE and
  // no enumerator when it is empty.
  virtual HRESULT CreateClassEnumerator(DeviceCategory category, Ref<IEnumMoniker>* enumerator,
                                        DWORD flags) = 0;
};

struct PIN_INFO {
  Ref<IBaseFilter> pFilter;  // the owning filter; a reference the caller holds
  PinDirection dir;
  std::string achName;
};

class IPin : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IPin";
  // The pin this one is connected to; VFW_E_NOT_CONNECTED when none.
  virtual HRESULT ConnectedTo(Ref<IPin>* pin) = 0;
  virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
  virtual HRESULT QueryDirection(PinDirection* direction) = 0;
};

class IEnumPins : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IEnumPins";
  virtual HRESULT Reset() = 0;
  // S_OK with a pin, S_FALSE at the end.
  virtual HRESULT Next(ULONG count, Ref<IPin>* pin, ULONG* fetched) = 0;
};

class IBaseFilter : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IBaseFilter";
  virtual HRESULT EnumPins(Ref<IEnumPins>* pins) = 0;
  // The filter's name ("Lumitrex Virtual Camera", "AVI Mux", "Video Renderer").
  virtual std::string Name() const = 0;
};

class IMediaControl : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IMediaControl";
  // Act on the whole graph. Stop finalises files being written (their end of
  // stream reaches the writer before the graph stops), and waits at most a
  // few seconds for that; S_FALSE when a file could not be finalised (the
  // graph is stopped all the same).
  virtual HRESULT Run() = 0;
  virtual HRESULT Pause() = 0;
  virtual HRESULT Stop() = 0;
  virtual HRESULT GetState(long timeoutMs, FilterState* state) = 0;
};

class IMediaEventEx : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IMediaEventEx";
  // From now on every queued event posts message (wParam 0, lParam instance)
  // to window; a null window stops the posting. Any thread may queue.
  virtual HRESULT SetNotifyWindow(HWND window, UINT message, INT_PTR instance) = 0;
  // Takes the oldest event; E_ABORT when the queue is empty (timeout 0).
  virtual HRESULT GetEvent(long* code, INT_PTR* param1, INT_PTR* param2, long timeoutMs) = 0;
  virtual HRESULT FreeEventParams(long code, INT_PTR param1, INT_PTR param2) = 0;
};

class IGraphBuilder : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IGraphBuilder";
  // Adds a filter; VFW_E_NOT_STOPPED while the graph runs.
  virtual HRESULT AddFilter(const Ref<IBaseFilter>& filter, const std::string& name) = 0;
  // Removes a filter and breaks its connections.
  virtual HRESULT RemoveFilter(const Ref<IBaseFilter>& filter) = 0;
  // Breaks the connection of one pin (call it for both ends, as on Windows:
  // the first call breaks the link, the second finds nothing and succeeds).
  virtual HRESULT Disconnect(const Ref<IPin>& pin) = 0;
};

class IAMStreamConfig : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IAMStreamConfig";
  // The pin's current format, a new media type the caller frees with
  // DeleteMediaType.
  virtual HRESULT GetFormat(AM_MEDIA_TYPE** type) = 0;
  // Sets the format. A video type takes frame size, FOURCC and
  // AvgTimePerFrame from its VIDEOINFOHEADER (the rate is applied as the exact
  // fraction 10^7 / AvgTimePerFrame); an audio type takes its WAVEFORMATEX.
  // VFW_E_INVALIDMEDIATYPE for a format the device does not offer;
  // VFW_E_NOT_STOPPED while the graph runs.
  virtual HRESULT SetFormat(const AM_MEDIA_TYPE* type) = 0;
  // The formats the device offers, for the format page: a media type each,
  // owned by the vector.
  virtual std::vector<std::unique_ptr<AM_MEDIA_TYPE, void (*)(AM_MEDIA_TYPE*)>> Formats() = 0;
};

// A camera's picture controls, as numbered properties.
enum VideoProcAmpProperty : long {
  VideoProcAmp_Brightness = 0,
  VideoProcAmp_Contrast,
  VideoProcAmp_Hue,
  VideoProcAmp_Saturation,
  VideoProcAmp_Sharpness,
  VideoProcAmp_Gamma,
  VideoProcAmp_ColorEnable,
  VideoProcAmp_WhiteBalance,
  VideoProcAmp_BacklightCompensation,
  VideoProcAmp_Gain,
  // The kernel-streaming number of the mains filter: 0 off, 1 50 Hz,
  // 2 60 Hz, 3 automatic, as V4L2 numbers it too.
  VideoProcAmp_PowerlineFrequency = 13
};
constexpr long VideoProcAmp_Flags_Auto = 0x1;
constexpr long VideoProcAmp_Flags_Manual = 0x2;

class IAMVideoProcAmp : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IAMVideoProcAmp";
  // E_PROP_ID_UNSUPPORTED for a control the camera does not have. The
  // default is the value the control had when the filter first saw it.
  virtual HRESULT GetRange(long property, long* min, long* max, long* step, long* defaultValue,
                           long* capsFlags) = 0;
  // Kept by the filter: a source rebuilt (a new format, a stop) gets the
  // value again. E_INVALIDARG outside the range.
  virtual HRESULT Set(long property, long value, long flags) = 0;
  virtual HRESULT Get(long property, long* value, long* flags) = 0;
};

// A camera's lens and exposure controls, as numbered properties. Values are
// in the driver's own units (exposure in 100 us steps, as V4L2 gives it).
enum CameraControlProperty : long {
  CameraControl_Pan = 0,
  CameraControl_Tilt,
  CameraControl_Roll,
  CameraControl_Zoom,
  CameraControl_Exposure,
  CameraControl_Iris,
  CameraControl_Focus
};
constexpr long CameraControl_Flags_Auto = 0x1;
constexpr long CameraControl_Flags_Manual = 0x2;

class IAMCameraControl : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IAMCameraControl";
  // As IAMVideoProcAmp's: E_PROP_ID_UNSUPPORTED for a control the camera
  // lacks; Set with CameraControl_Flags_Auto hands the control to its
  // automatic mode, with _Manual takes it back and sets the value.
  virtual HRESULT GetRange(long property, long* min, long* max, long* step, long* defaultValue,
                           long* capsFlags) = 0;
  virtual HRESULT Set(long property, long value, long flags) = 0;
  virtual HRESULT Get(long property, long* value, long* flags) = 0;
};

class IVideoWindow : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IVideoWindow";
  // Makes the renderer's surface a child of owner (null: no parent, hidden).
  virtual HRESULT put_Owner(OAHWND owner) = 0;
  virtual HRESULT put_WindowStyle(long style) = 0;
  // In the owner's client coordinates.
  virtual HRESULT SetWindowPosition(long left, long top, long width, long height) = 0;
  virtual HRESULT put_Visible(long visible) = 0;
  virtual HRESULT get_Visible(long* visible) = 0;
};

class IBasicVideo : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IBasicVideo";
  // The size of the video the renderer receives (its connection format).
  virtual HRESULT GetVideoSize(long* width, long* height) = 0;
  // The frame on show as a packed bottom-up 24-bit DIB: a 40-byte
  // BITMAPINFOHEADER, then the rows (each padded to 4 bytes). With buffer null
  // only *size is set. E_OUTOFMEMORY when *size is too small, E_UNEXPECTED
  // while no frame has been shown.
  virtual HRESULT GetCurrentImage(long* size, long* buffer) = 0;
};

class IConfigAviMux : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IConfigAviMux";
  virtual HRESULT SetMasterStream(long stream) = 0;
  virtual HRESULT GetMasterStream(long* stream) = 0;
  virtual HRESULT SetOutputCompatibilityIndex(BOOL oldIndex) = 0;
};

class IFileSinkFilter : public virtual IUnknown {
 public:
  static constexpr const char* kName = "IFileSinkFilter";
  // The file being written, in the form it was given (Windows form).
  virtual HRESULT GetCurFile(std::string* path) = 0;
};

class ICaptureGraphBuilder : public virtual IUnknown {
 public:
  static constexpr const char* kName = "ICaptureGraphBuilder";
  virtual HRESULT SetFiltergraph(const Ref<IGraphBuilder>& graph) = 0;
  // Finds an interface on filter's pin of that category or downstream of it:
  // the pin's IAMStreamConfig, the renderer's IVideoWindow or IBasicVideo.
  // E_NOINTERFACE when there is none.
  virtual HRESULT FindStreamConfig(PinCategory category, const Ref<IBaseFilter>& filter,
                                   Ref<IAMStreamConfig>* config) = 0;
  virtual HRESULT FindVideoWindow(PinCategory category, const Ref<IBaseFilter>& filter,
                                  Ref<IVideoWindow>* window) = 0;
  // Connects source's pin of that category to sink (null: a new video
  // renderer), through compressor when one is given (a filter of the graph). Preview on a filter without a preview pin feeds the renderer
  // from the capture pin and returns VFW_S_NOPREVIEWPIN.
  virtual HRESULT RenderStream(PinCategory category, const Ref<IBaseFilter>& source,
                               const Ref<IBaseFilter>& compressor,
                               const Ref<IBaseFilter>& sink) = 0;
  // Adds an AVI multiplexer and a writer for path (Windows form) to the graph.
  virtual HRESULT SetOutputFileName(SubType type, const std::string& path, Ref<IBaseFilter>* mux,
                                    Ref<IFileSinkFilter>* sink) = 0;
  // Holds back or releases the pins of that category (filter null: every
  // filter's). start/stop null mean now; kNeverTime means never.
  virtual HRESULT ControlStream(PinCategory category, const Ref<IBaseFilter>& filter,
                                const REFERENCE_TIME* start, const REFERENCE_TIME* stop,
                                WORD startCookie, WORD stopCookie) = 0;
};

}  // namespace dshow
