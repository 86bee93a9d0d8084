// One picture of every drawn resource, scaled up and labelled, for review.
#pragma once

#include "tools/skinart/artwork.h"

namespace skinart {

QImage ContactSheet(const std::vector<std::pair<QString, const ArtSet*>>& sets);

}  // namespace skinart
