// The COM task allocator: blocks that one side allocates and the other frees.
#pragma once

#include <cstddef>

// Null when out of memory. Any thread.
void* CoTaskMemAlloc(std::size_t size);
// Frees a block from CoTaskMemAlloc; null is ignored.
void CoTaskMemFree(void* block);
