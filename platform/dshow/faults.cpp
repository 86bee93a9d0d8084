#include "platform/dshow/faults.h"

#include <map>
#include <mutex>

namespace dshow::faults {

namespace {

struct Fault {
  HRESULT code;
  int remaining;  // 0: unlimited
  int passes;     // calls that still succeed before the first failure
};

std::mutex g_lock;
std::map<std::string, Fault>& Armed() {
  static std::map<std::string, Fault> armed;
  return armed;
}

}  // namespace

HRESULT Check(const std::string& name) {
  std::lock_guard guard(g_lock);
  auto it = Armed().find(name);
  if (it == Armed().end()) return S_OK;
  if (it->second.passes > 0) {
    --it->second.passes;
    return S_OK;
  }
  HRESULT code = it->second.code;
  if (it->second.remaining > 0 && --it->second.remaining == 0) Armed().erase(it);
  return code;
}

void Arm(const std::string& name, HRESULT code, int count, int after) {
  std::lock_guard guard(g_lock);
  Armed()[name] = Fault{code, count, after};
}

void Disarm(const std::string& name) {
  std::lock_guard guard(g_lock);
  Armed().erase(name);
}

void DisarmAll() {
  std::lock_guard guard(g_lock);
  Armed().clear();
}

}  // namespace dshow::faults
