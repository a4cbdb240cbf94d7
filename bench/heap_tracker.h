// Counts the bytes this process holds on the C heap, and their peak, by
// standing in for malloc and friends (glibc only).
#pragma once

#include <cstddef>

size_t HeapInUse();
size_t HeapPeak();
// Starts a new peak from what is in use now.
void ResetHeapPeak();
