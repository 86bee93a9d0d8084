// The objects behind HANDLE values (internal to platform/system).
//
// A handle is a pointer to one of these, created by CreateFile or
// CreateProcess and deleted by CloseHandle. Handles are checked against the
// live set, so closing twice or passing a stray value fails cleanly instead of
// touching freed memory.
#pragma once

#include <mutex>

#include "platform/system/wintypes.h"

struct KernelObject {
  enum class Kind { File, Process };
  explicit KernelObject(Kind k) : kind(k) {}
  Kind kind;
  int fd = -1;          // File: the open descriptor
  int pid = -1;         // Process: the child's id
  bool reaped = false;  // Process: waitpid has collected it
  int exitCode = 0;     // Process: valid once reaped
  std::mutex lock;      // Process: guards reaped and exitCode
};

namespace orvane::kernel {

HANDLE NewFileHandle(int fd);
HANDLE NewProcessHandle(int pid);
// The object behind a live handle, or null.
KernelObject* Lookup(HANDLE handle);
// Removes a live handle from the set and returns it (the caller deletes it), or null.
KernelObject* Take(HANDLE handle);

}  // namespace orvane::kernel
