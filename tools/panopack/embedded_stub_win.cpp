// panopack.exe's default viewer: the panoview.exe of its own build tree,
// linked in as the RCDATA resource VIEWERSTUB (src/resources/panopack.rc).
#include "tools/panopack/embedded_stub.h"

#include <windows.h>

bool LoadEmbeddedStub(std::vector<uint8_t>& bytes, std::string& name, std::string& error)
{
    name = "the viewer panopack carries";
    // A resource lives as long as the module: nothing to free.
    HRSRC resource = FindResourceA(nullptr, "VIEWERSTUB", RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) {
        error = "no --stub given and this panopack carries no viewer";
        return false;
    }
    const auto* begin = static_cast<const uint8_t*>(data);
    bytes.assign(begin, begin + SizeofResource(nullptr, resource));
    return true;
}
