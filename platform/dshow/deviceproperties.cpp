#include "platform/dshow/deviceproperties.h"

namespace dshow {

std::string DeviceProperty(GstDevice* device, const char* key) {
  std::string value;
  if (GstStructure* props = gst_device_get_properties(device)) {
    if (const gchar* text = gst_structure_get_string(props, key)) value = text;
    gst_structure_free(props);
  }
  return value;
}

bool ElementIsSource(GstDevice* device) {
  GstElement* element = gst_device_create_element(device, nullptr);
  if (!element) return false;
  gst_object_ref_sink(element);
  bool source = false, sink = false;
  for (const GList* t = gst_element_class_get_pad_template_list(GST_ELEMENT_GET_CLASS(element)); t;
       t = t->next) {
    const GstPadTemplate* pad = GST_PAD_TEMPLATE(t->data);
    if (GST_PAD_TEMPLATE_DIRECTION(pad) == GST_PAD_SRC) source = true;
    if (GST_PAD_TEMPLATE_DIRECTION(pad) == GST_PAD_SINK) sink = true;
  }
  gst_object_unref(element);
  return source && !sink;
}

}  // namespace dshow
