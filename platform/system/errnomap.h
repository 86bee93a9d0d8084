// Windows error codes for POSIX errno values (internal to platform/system).
#pragma once

#include <string>

#include "platform/system/winerror.h"

namespace orvane::system {

// The Windows code closest in meaning to errno value e. ENOENT gives
// ERROR_FILE_NOT_FOUND; callers that can tell a missing folder apart use
// MissingPathError.
LONG ErrorFromErrno(int e);

// ERROR_PATH_NOT_FOUND when the folder of hostPath is missing, otherwise
// ERROR_FILE_NOT_FOUND: the distinction Windows makes for an absent file.
LONG MissingPathError(const std::string& hostPath);

}  // namespace orvane::system
