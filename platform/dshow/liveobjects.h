// For tests only: how many of the capture layer's media objects ("GstPipeline",
// "GstBuffer", ...) were made and not destroyed again between two points of
// a test, by type, as GStreamer's leak tracer sees them. The tracer runs only
// when GST_TRACERS names "leaks" before the layer starts.
#pragma once

#include <map>
#include <string>

namespace dshow::testapi {

// Starts counting from now; false when the tracer does not run.
bool StartCountingMediaObjects();
// Objects made minus objects destroyed since the start or the last call, by
// type; types that came out even are left out. The count goes on from here.
std::map<std::string, int> MediaObjectsGrown();
void StopCountingMediaObjects();

}  // namespace dshow::testapi
