// A recording straight through the capture layer (camera, multiplexer,
// writer, optionally a shown preview): the baseline other recordings are
// set against.
#pragma once

#include <QWidget>
#include <atomic>
#include <string>

#include "platform/dshow/formats.h"
#include "platform/dshow/interfaces.h"

namespace bench {

// Counts buffers on the sink pads, named prefix*, of the elements made by
// factory inside a filter.
struct BufferCount {
  std::atomic<long> buffers{0};
};
void CountBuffers(const dshow::Ref<dshow::IBaseFilter>& filter, const char* factory,
                  const char* prefix, BufferCount* count);

// A graph with the first camera in it, set to format.
struct Session {
  dshow::Ref<dshow::ICaptureGraphBuilder> builder;
  dshow::Ref<dshow::IGraphBuilder> graph;
  dshow::Ref<dshow::IMediaControl> control;
  dshow::Ref<dshow::IBaseFilter> camera;
};
Session OpenCamera(const dshow::VideoFormat& format);

// CPU seconds per recorded second through the layer, and the frames written.
struct Recorded {
  long written = 0;   // video frames in the file (ffprobe)
  long produced = 0;  // frames the camera made between Run and Stop
  long offered = 0;   // frames that reached the multiplexer
  double wall = 0;    // seconds from Run to the return of Stop
};

// The recording's shape: the camera's size, and whether a preview paints
// into a shown widget beside the file branch, as in the programs.
struct Shape {
  int width = 640, height = 480;
  QWidget* preview = nullptr;
};

// Records seconds of the first camera at 30 fps YUY2 into file.
double RecordThroughLayer(int seconds, const std::string& file, Recorded* out,
                          const Shape& shape = {});

}  // namespace bench
