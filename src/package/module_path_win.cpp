#include "package/module_path_win.h"

bool GetOwnModulePath(HINSTANCE instance, char* buffer, size_t capacity)
{
    const DWORD length = GetModuleFileNameA(instance, buffer, static_cast<DWORD>(capacity));
    // A path that fills the buffer was cut short: it names the wrong file.
    return length > 0 && length < capacity;
}
