#include "bench/layerrecording.h"

#include <gst/gst.h>

#include "bench/measure.h"
#include "platform/dshow/com.h"
#include "platform/dshow/filterbase.h"
#include "platform/dshow/formats.h"
#include "platform/system/winpath.h"

using namespace dshow;

namespace bench {

namespace {

GstPadProbeReturn CountBuffer(GstPad*, GstPadProbeInfo*, gpointer count) {
  ++static_cast<BufferCount*>(count)->buffers;
  return GST_PAD_PROBE_OK;
}

}  // namespace

Session OpenCamera(const VideoFormat& format) {
  Session s;
  CoCreateInstance(Clsid::CaptureGraphBuilder, &s.builder);
  CoCreateInstance(Clsid::FilterGraph, &s.graph);
  s.builder->SetFiltergraph(s.graph);
  QueryInterface(s.graph, &s.control);
  Ref<ICreateDevEnum> devEnum;
  CoCreateInstance(Clsid::SystemDeviceEnum, &devEnum);
  Ref<IEnumMoniker> monikers;
  devEnum->CreateClassEnumerator(DeviceCategory::VideoInput, &monikers, 0);
  Ref<IMoniker> moniker;
  monikers->Next(1, &moniker, nullptr);
  moniker->BindToObject(&s.camera);
  s.graph->AddFilter(s.camera, "");
  Ref<IAMStreamConfig> config;
  s.builder->FindStreamConfig(PinCategory::Capture, s.camera, &config);
  AM_MEDIA_TYPE* type = ToMediaType(format);
  config->SetFormat(type);
  DeleteMediaType(type);
  return s;
}

void CountBuffers(const Ref<IBaseFilter>& filter, const char* factory, const char* prefix,
                  BufferCount* count) {
  auto base = std::dynamic_pointer_cast<FilterBase>(filter);
  if (!base) return;
  GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(base->bin()));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
    auto* element = GST_ELEMENT(g_value_get_object(&item));
    GstElementFactory* made = gst_element_get_factory(element);
    if (made && std::string(GST_OBJECT_NAME(made)) == factory) {
      for (GList* l = element->sinkpads; l; l = l->next) {
        auto* pad = GST_PAD(l->data);
        if (std::string(GST_OBJECT_NAME(pad)).rfind(prefix, 0) == 0)
          gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, CountBuffer, count, nullptr);
      }
    }
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(elements);
}

double RecordThroughLayer(int seconds, const std::string& file, Recorded* out, const Shape& shape) {
  Session s = OpenCamera(VideoFormat{SubType::YUY2, shape.width, shape.height, 333333});
  Ref<IBaseFilter> mux;
  s.builder->SetOutputFileName(MEDIASUBTYPE_Avi, orvane::winpath::FromHost(file), &mux, nullptr);
  s.builder->RenderStream(PinCategory::Capture, s.camera, nullptr, mux);
  if (shape.preview) {
    // A host camera has no preview pin: its capture pin feeds the preview.
    const HRESULT hr = s.builder->RenderStream(PinCategory::Preview, s.camera, nullptr, nullptr);
    Ref<IVideoWindow> window;
    s.builder->FindVideoWindow(hr == VFW_S_NOPREVIEWPIN ? PinCategory::Capture : PinCategory::Preview,
                               s.camera, &window);
    window->put_Owner(shape.preview);
    window->SetWindowPosition(20, 18, shape.preview->width() - 40, shape.preview->height() - 36);
    window->put_Visible(OATRUE);
  }
  BufferCount produced, offered;
  CountBuffers(s.camera, "tee", "sink", &produced);
  CountBuffers(mux, "avimux", "video", &offered);
  const double before = SelfCpu();
  QElapsedTimer timer;
  timer.start();
  s.control->Run();
  Idle(seconds * 1000);
  s.control->Stop();
  out->wall = static_cast<double>(timer.nsecsElapsed()) / 1e9;
  const double used = SelfCpu() - before;
  out->written = FramesIn(file);
  out->produced = produced.buffers;
  out->offered = offered.buffers;
  return used / seconds;
}

}  // namespace bench
