#include "platform/system/taskmem.h"

#include <cstdlib>

void* CoTaskMemAlloc(std::size_t size) { return std::malloc(size ? size : 1); }
void CoTaskMemFree(void* block) { std::free(block); }
