// Selects a resource module for one test and leaves none selected afterwards.
#pragma once

#include "platform/ui/resources.h"

namespace orvane::test {

class ScopedResourceModule {
 public:
  explicit ScopedResourceModule(const ui::ResourceModule* module) { ui::SetResourceModule(module); }
  ~ScopedResourceModule() { ui::SetResourceModule(nullptr); }
  ScopedResourceModule(const ScopedResourceModule&) = delete;
  ScopedResourceModule& operator=(const ScopedResourceModule&) = delete;
};

}  // namespace orvane::test
