// Failure injection for tests: a named operation of the capture layer can be
// made to return a chosen code. Production code never arms a fault; the layer
// only asks. Names are "Interface::Method" ("IMediaControl::Run",
// "ICaptureGraphBuilder::RenderStream(Preview)"); each operation's name is
// given in its implementation. Thread-safe.
#pragma once

#include <string>

#include "platform/system/winerror.h"

namespace dshow::faults {

// The armed code for name, or S_OK. An armed fault with a count goes away
// after that many hits; count 0 means every call. The first after calls
// succeed (the audio branch's RenderStream(Capture) follows the video one's).
HRESULT Check(const std::string& name);

void Arm(const std::string& name, HRESULT code, int count = 0, int after = 0);
void Disarm(const std::string& name);
void DisarmAll();

}  // namespace dshow::faults
