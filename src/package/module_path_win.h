// The running executable's own path, as the payload readers need it.
#pragma once

#include <windows.h>

#include <cstddef>

// Fills buffer with the full path of instance's module; false when the call
// fails or the path does not fit.
bool GetOwnModulePath(HINSTANCE instance, char* buffer, size_t capacity);
