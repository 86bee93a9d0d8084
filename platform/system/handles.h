// Kernel handles shared by files and processes.
#pragma once

#include "platform/system/winerror.h"
#include "platform/system/wintypes.h"

// Closes a file or process handle. FALSE (ERROR_INVALID_HANDLE) for a handle
// that is not open, including one closed before. Closing a process handle
// does not end the process.
BOOL CloseHandle(HANDLE handle);
