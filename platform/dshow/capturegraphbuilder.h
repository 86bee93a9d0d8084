// ICaptureGraphBuilder over the filter graph (internal).
#pragma once

#include "platform/dshow/filtergraph.h"

namespace dshow {

class CaptureGraphBuilder : public ICaptureGraphBuilder {
 public:
  HRESULT SetFiltergraph(const Ref<IGraphBuilder>& graph) override;
  HRESULT FindStreamConfig(PinCategory category, const Ref<IBaseFilter>& filter,
                           Ref<IAMStreamConfig>* config) override;
  HRESULT FindVideoWindow(PinCategory category, const Ref<IBaseFilter>& filter,
                          Ref<IVideoWindow>* window) override;
  HRESULT RenderStream(PinCategory category, const Ref<IBaseFilter>& source,
                       const Ref<IBaseFilter>& compressor, const Ref<IBaseFilter>& sink) override;
  HRESULT SetOutputFileName(SubType type, const std::string& path, Ref<IBaseFilter>* mux,
                            Ref<IFileSinkFilter>* sink) override;
  HRESULT ControlStream(PinCategory category, const Ref<IBaseFilter>& filter,
                        const REFERENCE_TIME* start, const REFERENCE_TIME* stop, WORD startCookie,
                        WORD stopCookie) override;

 private:
  Ref<FilterGraph> m_graph;
};

}  // namespace dshow
