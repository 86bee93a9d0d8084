// The rows of the controls page for a camera's V4L2 controls (internal):
// a slider per number, a check box per switch, a list per menu. A control
// its automatic mode drives is greyed while that mode is on; OK sets the
// modes first, then what changed.
#pragma once

#include <QFormLayout>
#include <functional>
#include <vector>

#include "platform/dshow/capturefilter.h"

namespace dshow {

// The picture's controls (V4L2's user class), or the lens's and exposure's
// (its camera class).
enum class NodeControlClass { kPicture, kCamera };

bool HasNodeControls(const Ref<CaptureFilter>& filter, NodeControlClass kind);
void AddNodeControlRows(const Ref<CaptureFilter>& filter, NodeControlClass kind,
                        QFormLayout* form, std::vector<std::function<void()>>* appliers);

}  // namespace dshow
