#include "platform/system/kernelobject.h"

#include <sys/wait.h>
#include <unistd.h>

#include <thread>
#include <unordered_set>

#include "platform/system/handles.h"
#include "platform/system/winerror.h"

namespace {

std::mutex g_liveLock;
std::unordered_set<KernelObject*>& Live() {
  static std::unordered_set<KernelObject*> live;
  return live;
}

HANDLE Register(KernelObject* object) {
  std::lock_guard guard(g_liveLock);
  Live().insert(object);
  return object;
}

}  // namespace

namespace orvane::kernel {

HANDLE NewFileHandle(int fd) {
  auto* object = new KernelObject(KernelObject::Kind::File);
  object->fd = fd;
  return Register(object);
}

HANDLE NewProcessHandle(int pid) {
  auto* object = new KernelObject(KernelObject::Kind::Process);
  object->pid = pid;
  return Register(object);
}

KernelObject* Lookup(HANDLE handle) {
  std::lock_guard guard(g_liveLock);
  return Live().count(handle) ? handle : nullptr;
}

KernelObject* Take(HANDLE handle) {
  std::lock_guard guard(g_liveLock);
  if (!Live().erase(handle)) return nullptr;
  return handle;
}

}  // namespace orvane::kernel

BOOL CloseHandle(HANDLE handle) {
  KernelObject* object = orvane::kernel::Take(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  BOOL ok = TRUE;
  if (object->kind == KernelObject::Kind::File) {
    ok = ::close(object->fd) == 0 ? TRUE : FALSE;
  } else {
    bool reaped;
    {
      std::lock_guard guard(object->lock);
      reaped = object->reaped;
    }
    // A process handle closed while the child runs: the child lives on, and is
    // collected in the background so that it leaves no zombie.
    if (!reaped) {
      int pid = object->pid;
      std::thread([pid] {
        int status;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
      }).detach();
    }
  }
  delete object;
  return ok;
}
