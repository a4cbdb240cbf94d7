// The Linux packer's default viewer: the Windows tree's panoview.exe, at the
// path given to the build (PANO_VIEWER_STUB).
#include "tools/panopack/embedded_stub.h"

#include "tools/common/file_io.h"

namespace {

constexpr size_t kMaxStubBytes = size_t{1} << 30;

}  // namespace

bool LoadEmbeddedStub(std::vector<uint8_t>& bytes, std::string& name, std::string& error)
{
    name = PANO_VIEWER_STUB;
    std::string reason;
    if (!ReadWholeFile(name, kMaxStubBytes, bytes, reason)) {
        error = "no --stub given and the viewer this packer was built for is missing (" + reason +
                "); build the Windows tree or give --stub";
        return false;
    }
    return true;
}
