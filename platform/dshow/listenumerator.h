// IEnumPins and IEnumMoniker over a list fixed when the enumerator is made:
// Reset goes back to the first item, Next hands out one item at a time and
// S_FALSE (with a null item) after the last.
#pragma once

#include <utility>
#include <vector>

#include "platform/dshow/interfaces.h"

namespace dshow {

template <class Interface, class Item>
class ListEnumerator : public Interface {
 public:
  explicit ListEnumerator(std::vector<Ref<Item>> items) : m_items(std::move(items)) {}

  HRESULT Reset() override {
    m_next = 0;
    return S_OK;
  }
  HRESULT Next(ULONG count, Ref<Item>* item, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!item || count != 1) return E_INVALIDARG;
    item->reset();
    if (m_next >= m_items.size()) return S_FALSE;
    *item = m_items[m_next++];
    if (fetched) *fetched = 1;
    return S_OK;
  }

 private:
  std::vector<Ref<Item>> m_items;
  std::size_t m_next = 0;
};

}  // namespace dshow
