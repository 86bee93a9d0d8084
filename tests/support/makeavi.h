// An AVI made as the capture layer's multiplexer makes one, from non-live
// test sources, so that a file past 1 GiB takes seconds instead of a minute
// (capture tests only: header-only, so the support library needs no
// GStreamer).
#pragma once

#include <gst/gst.h>

#include <string>

#include "platform/dshow/gstref.h"

namespace orvane::test {

// Video at width x height, 30 fps, and 22050 Hz mono sound, frames long, at
// a host path. Whether the pipeline finished.
inline bool MakeAvi(const std::string& path, int width, int height, int frames) {
  dshow::gst::EnsureInitialised();
  const std::string description =
      "videotestsrc num-buffers=" + std::to_string(frames) +
      " pattern=ball ! video/x-raw,format=YUY2,width=" + std::to_string(width) +
      ",height=" + std::to_string(height) +
      ",framerate=30/1 ! queue ! mux. audiotestsrc num-buffers=" + std::to_string(frames) +
      " samplesperbuffer=735 ! audio/x-raw,format=S16LE,rate=22050,channels=1 ! queue ! mux. "
      "avimux name=mux bigfile=true ! filesink location=\"" +
      path + "\"";
  GError* error = nullptr;
  GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
  if (!pipeline) {
    if (error) g_error_free(error);
    return false;
  }
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* done = gst_bus_timed_pop_filtered(
      bus, 120 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool ok = done && GST_MESSAGE_TYPE(done) == GST_MESSAGE_EOS;
  if (done) gst_message_unref(done);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ok;
}

}  // namespace orvane::test
