// The filter and pin objects behind IBaseFilter and IPin (internal).
//
// A filter is a GstBin; its pins are ghost pads on the bin. Connections are
// kept here (peer pins) and mirrored as pad links, so the graph's shape can
// be asked and changed the way the engine expects. GUI thread only, except
// where a member says otherwise.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/dshow/formats.h"
#include "platform/dshow/gstref.h"
#include "platform/dshow/interfaces.h"

namespace dshow {

class FilterBase;
class FilterGraph;

class Pin : public IPin, public std::enable_shared_from_this<Pin> {
 public:
  Pin(std::weak_ptr<FilterBase> owner, PinDirection direction, std::string name,
      PinCategory category, GstPad* ghost);
  ~Pin() override;

  HRESULT ConnectedTo(Ref<IPin>* pin) override;
  HRESULT QueryPinInfo(PIN_INFO* info) override;
  HRESULT QueryDirection(PinDirection* direction) override;

  PinDirection direction() const { return m_direction; }
  PinCategory category() const { return m_category; }
  const std::string& name() const { return m_name; }
  GstPad* pad() const { return m_ghost.get(); }
  Ref<Pin> peer() const { return m_peer.lock(); }
  void setPeer(const Ref<Pin>& peer) { m_peer = peer; }
  Ref<FilterBase> owner() const { return m_owner.lock(); }

  // Output pins of capture filters: the valve that holds the stream back.
  GstElement* valve = nullptr;
  // A capture pin that feeds a preview renderer (the device has no preview pin).
  bool usedAsPreview = false;
  // Hidden pins (extra tee branches) are not listed by EnumPins.
  bool listed = true;

 private:
  std::weak_ptr<FilterBase> m_owner;
  PinDirection m_direction;
  std::string m_name;
  PinCategory m_category;
  gst::Pad m_ghost;
  std::weak_ptr<Pin> m_peer;
};

class FilterBase : public IBaseFilter, public std::enable_shared_from_this<FilterBase> {
 public:
  explicit FilterBase(std::string name);
  ~FilterBase() override;

  HRESULT EnumPins(Ref<IEnumPins>* pins) override;
  std::string Name() const override { return m_name; }

  GstElement* bin() const { return m_bin.get(); }
  const std::vector<Ref<Pin>>& pins() const { return m_pins; }
  bool AnyPinConnected() const;

  FilterGraph* graph() const { return m_graph; }
  void setGraph(FilterGraph* graph) { m_graph = graph; }

  // Called before input is linked to upstream: a filter may build what the
  // stream needs (a decoder, a multiplexer pad). A failure refuses the link.
  virtual HRESULT PrepareInput(Pin& input, Pin& upstream);
  // Called after input's link was broken.
  virtual void InputDisconnected(Pin& input);
  // What an output pin delivers.
  virtual MajorType OutputMajorType(const Pin& output) const;
  virtual std::optional<VideoFormat> OutputVideoFormat(const Pin& output) const;

  // Called when the graph leaves Stopped, before its state changes (GUI
  // thread, pipeline in NULL): a filter may renew what must not outlive a run.
  virtual void PrepareRun();
  // Called when the graph has stopped (GUI thread, pipeline in NULL): a
  // filter lets go of what its run left in it.
  virtual void Stopped();
  // A live source's stream has begun (a buffer left it) since PrepareRun;
  // other filters have nothing to begin. Any thread.
  virtual bool StreamStarted() const;
  // Why a source cannot begin (its device is gone), or S_OK. Any thread.
  virtual HRESULT StreamStartFailure() const;
  // Called after the graph sent its end of stream to the sources: a filter
  // whose source can no longer deliver it (its device is gone) ends its
  // stream itself. GUI thread.
  virtual void EndStalledStream();

  // Called on a streaming thread whenever the filter's stream reaches a
  // point the graph waits for (a source began, a writer got its end of
  // stream). The graph sets it while the filter is one of its own (GUI
  // thread, graph stopped).
  void SetStreamListener(std::function<void()> listener);

 protected:
  // Adds a pin whose ghost pad targets target (null: no target yet).
  Ref<Pin> AddPin(PinDirection direction, const std::string& name, PinCategory category,
                  GstPad* target);
  void RemovePin(const Ref<Pin>& pin);
  // Tells the graph's listener, if any; any thread.
  void NotifyStreamListener();

  std::string m_name;
  gst::Element m_bin;
  std::vector<Ref<Pin>> m_pins;
  FilterGraph* m_graph = nullptr;

 private:
  std::mutex m_listenerLock;
  std::function<void()> m_listener;  // guarded by m_listenerLock
};

// Adds element to bin (the bin takes the floating reference); the element.
GstElement* AddToBin(GstElement* bin, const char* factory, const char* name = nullptr);

}  // namespace dshow
