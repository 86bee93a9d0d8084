#include "platform/dshow/filterbase.h"

#include "platform/dshow/faults.h"
#include "platform/dshow/listenumerator.h"

namespace dshow {

Pin::Pin(std::weak_ptr<FilterBase> owner, PinDirection direction, std::string name,
         PinCategory category, GstPad* ghost)
    : m_owner(std::move(owner)),
      m_direction(direction),
      m_name(std::move(name)),
      m_category(category),
      m_ghost(gst::Pad::Borrow(ghost)) {}

Pin::~Pin() = default;

HRESULT Pin::ConnectedTo(Ref<IPin>* pin) {
  if (!pin) return E_POINTER;
  *pin = m_peer.lock();
  return *pin ? S_OK : VFW_E_NOT_CONNECTED;
}

HRESULT Pin::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  if (HRESULT hr = faults::Check("IPin::QueryPinInfo"); FAILED(hr)) return hr;
  info->pFilter = m_owner.lock();
  info->dir = m_direction;
  info->achName = m_name;
  return S_OK;
}

HRESULT Pin::QueryDirection(PinDirection* direction) {
  if (!direction) return E_POINTER;
  *direction = m_direction;
  return S_OK;
}

FilterBase::FilterBase(std::string name) : m_name(std::move(name)) {
  gst::EnsureInitialised();
  m_bin = gst::Element(gst_bin_new(nullptr));
}

FilterBase::~FilterBase() {
  if (m_bin && !GST_OBJECT_PARENT(m_bin.get())) gst_element_set_state(m_bin.get(), GST_STATE_NULL);
}

HRESULT FilterBase::EnumPins(Ref<IEnumPins>* pins) {
  if (!pins) return E_POINTER;
  if (HRESULT hr = faults::Check("IBaseFilter::EnumPins"); FAILED(hr)) return hr;
  std::vector<Ref<IPin>> listed;
  for (const Ref<Pin>& pin : m_pins)
    if (pin->listed) listed.push_back(pin);
  *pins = std::make_shared<ListEnumerator<IEnumPins, IPin>>(std::move(listed));
  return S_OK;
}

bool FilterBase::AnyPinConnected() const {
  for (const Ref<Pin>& pin : m_pins)
    if (pin->peer()) return true;
  return false;
}

HRESULT FilterBase::PrepareInput(Pin&, Pin&) { return S_OK; }
void FilterBase::InputDisconnected(Pin&) {}
MajorType FilterBase::OutputMajorType(const Pin&) const { return MajorType::Unknown; }
std::optional<VideoFormat> FilterBase::OutputVideoFormat(const Pin&) const { return std::nullopt; }
void FilterBase::PrepareRun() {}
void FilterBase::Stopped() {}
bool FilterBase::StreamStarted() const { return true; }
HRESULT FilterBase::StreamStartFailure() const { return S_OK; }
void FilterBase::EndStalledStream() {}

void FilterBase::SetStreamListener(std::function<void()> listener) {
  std::lock_guard guard(m_listenerLock);
  m_listener = std::move(listener);
}

void FilterBase::NotifyStreamListener() {
  std::function<void()> listener;
  {
    std::lock_guard guard(m_listenerLock);
    listener = m_listener;
  }
  if (listener) listener();
}

Ref<Pin> FilterBase::AddPin(PinDirection direction, const std::string& name, PinCategory category,
                            GstPad* target) {
  const GstPadDirection padDirection =
      direction == PinDirection::Input ? GST_PAD_SINK : GST_PAD_SRC;
  GstPad* ghost = target ? gst_ghost_pad_new(nullptr, target)
                         : gst_ghost_pad_new_no_target(nullptr, padDirection);
  gst_pad_set_active(ghost, TRUE);
  gst_element_add_pad(m_bin.get(), ghost);  // the bin owns the ghost pad
  auto pin = std::make_shared<Pin>(weak_from_this(), direction, name, category, ghost);
  m_pins.push_back(pin);
  return pin;
}

void FilterBase::RemovePin(const Ref<Pin>& pin) {
  std::erase(m_pins, pin);
  if (pin->pad()) gst_element_remove_pad(m_bin.get(), pin->pad());
}

GstElement* AddToBin(GstElement* bin, const char* factory, const char* name) {
  GstElement* element = gst::Make(factory, name);
  if (element) gst_bin_add(GST_BIN(bin), element);
  return element;
}

}  // namespace dshow
