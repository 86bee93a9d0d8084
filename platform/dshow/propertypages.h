// Property pages: the device's own controls and the capture format, shown in
// a modal frame (OleCreatePropertyFrame) with OK, Cancel and Apply.
#pragma once

#include "platform/dshow/interfaces.h"

class QWidget;

namespace dshow {

enum class PropertyPageId { DeviceControls, CaptureFormat };

// A list of pages; pElems is task memory the caller frees with CoTaskMemFree.
struct CAUUID {
  ULONG cElems;
  PropertyPageId* pElems;
};

class ISpecifyPropertyPages : public virtual IUnknown {
 public:
  static constexpr const char* kName = "ISpecifyPropertyPages";
  // The pages that edit this object.
  virtual HRESULT GetPages(CAUUID* pages) = 0;
};

// Fills pages with the given ids (task memory); E_OUTOFMEMORY when it cannot.
HRESULT MakePageList(std::initializer_list<PropertyPageId> ids, CAUUID* pages);

// Runs a modal frame with one tab per page over the first object, at (x, y)
// in owner's coordinates. OK applies the pages and closes, Apply applies
// them, Cancel closes. S_OK when the frame ran (whatever the user chose),
// E_INVALIDARG when no object or page fits. GUI thread.
HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, LPCSTR caption, ULONG objectCount,
                               const Ref<IUnknown>* objects, ULONG pageCount,
                               const PropertyPageId* pages, DWORD locale, DWORD reserved,
                               void* reserved2);

}  // namespace dshow
