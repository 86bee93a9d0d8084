#include "platform/dshow/liveobjects.h"

#include <gst/gst.h>

#include "platform/dshow/gstref.h"

namespace dshow::testapi {

namespace {

// The leak tracer, with a reference the caller drops; null without one.
GstTracer* LeaksTracer() {
  gst::EnsureInitialised();
  GstTracer* leaks = nullptr;
  GList* tracers = gst_tracing_get_active_tracers();
  for (GList* item = tracers; item; item = item->next) {
    if (!leaks && g_str_equal(G_OBJECT_TYPE_NAME(item->data), "GstLeaksTracer"))
      leaks = GST_TRACER(gst_object_ref(item->data));
  }
  g_list_free_full(tracers, gst_object_unref);
  return leaks;
}

// The checkpoint lists only name types and addresses: the tracer owns none
// of the objects, and they may be gone already.
void Tally(const GstStructure* checkpoint, const char* field, int step,
           std::map<std::string, int>& counts) {
  const GValue* list = gst_structure_get_value(checkpoint, field);
  const guint size = list ? gst_value_list_get_size(list) : 0;
  for (guint i = 0; i < size; ++i) {
    const GstStructure* entry = gst_value_get_structure(gst_value_list_get_value(list, i));
    const char* type = entry ? gst_structure_get_string(entry, "type-name") : nullptr;
    if (type) counts[type] += step;
  }
}

}  // namespace

bool StartCountingMediaObjects() {
  GstTracer* leaks = LeaksTracer();
  if (!leaks) return false;
  g_signal_emit_by_name(leaks, "activity-stop-tracking");
  g_signal_emit_by_name(leaks, "activity-start-tracking");
  gst_object_unref(leaks);
  return true;
}

std::map<std::string, int> MediaObjectsGrown() {
  std::map<std::string, int> counts;
  GstTracer* leaks = LeaksTracer();
  if (!leaks) return counts;
  GstStructure* checkpoint = nullptr;
  g_signal_emit_by_name(leaks, "activity-get-checkpoint", &checkpoint);
  gst_object_unref(leaks);
  if (!checkpoint) return counts;
  Tally(checkpoint, "objects-created-list", +1, counts);
  Tally(checkpoint, "objects-removed-list", -1, counts);
  gst_structure_free(checkpoint);
  std::erase_if(counts, [](const auto& entry) { return entry.second == 0; });
  return counts;
}

void StopCountingMediaObjects() {
  if (GstTracer* leaks = LeaksTracer()) {
    g_signal_emit_by_name(leaks, "activity-stop-tracking");
    gst_object_unref(leaks);
  }
}

}  // namespace dshow::testapi
