// The photo-sphere reader over untrusted bytes: the first byte chooses a
// whole JPEG file (even) or a bare XMP packet (odd), and with a packet the
// next four give the image's size. Whatever is derived must lie on the
// sphere, and every message must be printable text.
#include <cmath>
#include <cstring>
#include <string>

#include "tools/panopack/photo_sphere.h"

namespace {

void RequirePrintable(const std::string& text)
{
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) {
            __builtin_trap();
        }
    }
}

void RequireOnTheSphere(const PhotoSphere& s)
{
    if (!(s.panSpan > 0 && s.panSpan <= 360) || !(s.tiltMin >= -90 && s.tiltMin < s.tiltMax) ||
        !(s.tiltMax <= 90)) {
        __builtin_trap();
    }
    if ((s.initialPan && !(*s.initialPan >= 0 && *s.initialPan <= s.panSpan)) ||
        (s.initialFov && !(*s.initialFov > 0 && *s.initialFov < 180))) {
        __builtin_trap();
    }
    RequirePrintable(DescribePhotoSphere(s));
    for (const std::string& warning : s.warnings) {
        RequirePrintable(warning);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 5) {
        return 0;
    }
    PhotoSphere sphere;
    std::string error;
    bool found = false;
    if (data[0] % 2 == 0) {
        const std::vector<uint8_t> jpeg(data + 1, data + size);
        found = ReadPhotoSphere(jpeg, 4096, 2048, sphere, error) == PhotoSphereSearch::Found;
    } else {
        uint16_t width = 0, height = 0;
        std::memcpy(&width, data + 1, 2);
        std::memcpy(&height, data + 3, 2);
        const std::string_view xmp(reinterpret_cast<const char*>(data + 5), size - 5);
        GPanoFields fields;
        found = ReadGPanoFields(xmp, fields, error) &&
                DerivePhotoSphere(fields, width, height, sphere, error);
    }
    if (found) {
        RequireOnTheSphere(sphere);
    } else {
        RequirePrintable(error);
    }
    return 0;
}
