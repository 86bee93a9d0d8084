// Internal to platform/system: starting a host program in a chosen folder.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/system/wintypes.h"

namespace orvane::process {

// SpawnHost with the child's working directory (a host folder) when given,
// the caller's otherwise.
int SpawnHostIn(const std::string& hostProgram, const std::vector<std::string>& argv,
                const std::optional<std::string>& hostDirectory, LONG* error);

}  // namespace orvane::process
