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

void AddNodeControlRows(const Ref<CaptureFilter>& filter, QFormLayout* form,
                        std::vector<std::function<void()>>* appliers);

}  // namespace dshow
