// Giving up a COM reference held in a pointer, exactly once.
#pragma once

#include <windows.h>

// Releases the object, if any, and clears the pointer; the count the object
// reports after the release (0 when there was none).
template <typename T>
ULONG ReleaseAndClear(T*& object)
{
    ULONG remaining = 0;
    if (object) {
        remaining = object->Release();
        object = nullptr;
    }
    return remaining;
}
