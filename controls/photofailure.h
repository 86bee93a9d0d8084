// What the user is told when a photo cannot be written, with the reason the
// system gave, so a folder that cannot exist is not taken for a full disk.
#pragma once

#include <string>

#include "platform/system/wintypes.h"

std::string PhotoFailureText(const std::string& path, DWORD lastError);
