#include "heap_tracker.h"

#include <atomic>
#include <malloc.h>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void __libc_free(void* pointer);
}

namespace {

std::atomic<long long> inUse{0};
std::atomic<long long> peak{0};

void Add(void* pointer)
{
    if (pointer) {
        const long long now = inUse += static_cast<long long>(malloc_usable_size(pointer));
        long long seen = peak.load();
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
    }
}

void Remove(void* pointer)
{
    if (pointer) {
        inUse -= static_cast<long long>(malloc_usable_size(pointer));
    }
}

}  // namespace

extern "C" {

void* malloc(size_t size)
{
    void* pointer = __libc_malloc(size);
    Add(pointer);
    return pointer;
}

void* calloc(size_t count, size_t size)
{
    void* pointer = __libc_calloc(count, size);
    Add(pointer);
    return pointer;
}

void* realloc(void* pointer, size_t size)
{
    Remove(pointer);
    void* moved = __libc_realloc(pointer, size);
    Add(moved ? moved : (size ? pointer : nullptr));
    return moved;
}

void free(void* pointer)
{
    Remove(pointer);
    __libc_free(pointer);
}

}  // extern "C"

size_t HeapInUse() { return static_cast<size_t>(inUse.load()); }
size_t HeapPeak() { return static_cast<size_t>(peak.load()); }
void ResetHeapPeak() { peak = inUse.load(); }
