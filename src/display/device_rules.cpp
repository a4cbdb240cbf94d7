#include "display/device_rules.h"

#include <cstring>

namespace {

int Compare(uint32_t a, uint32_t b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

}  // namespace

int CompareModeKeys(const ModeKey& a, const ModeKey& b)
{
    if (const int c = Compare(a.width, b.width)) {
        return c;
    }
    if (const int c = Compare(a.height, b.height)) {
        return c;
    }
    return Compare(a.bits, b.bits);
}

bool DeviceRendersDepth(uint32_t bits, uint32_t renderBitDepths)
{
    switch (bits) {
    case 32:
        return (renderBitDepths & kRenderDepth32) != 0;
    case 24:
        return (renderBitDepths & kRenderDepth24) != 0;
    case 16:
        return (renderBitDepths & kRenderDepth16) != 0;
    default:
        return false;
    }
}

int ChooseDefaultDeviceIndex(const DeviceFacts* devices, size_t count, uint32_t flags)
{
    enum { TNL, HARDWARE, SOFTWARE, REFERENCE, CLASSES };
    int last[CLASSES] = {-1, -1, -1, -1};
    for (size_t i = 0; i < count; ++i) {
        const DeviceFacts& d = devices[i];
        if (!d.windowCapable) {
            continue;
        }
        const int kind = d.hardware ? (d.tnlHal ? TNL : HARDWARE) : (d.reference ? REFERENCE : SOFTWARE);
        last[kind] = static_cast<int>(i);
    }
    // The classes in order of preference; software only skips the hardware ones.
    const int first = (flags & DEVCHOICE_SOFTWARE_ONLY) ? SOFTWARE : TNL;
    for (int kind = first; kind < CLASSES; ++kind) {
        if (last[kind] >= 0) {
            return last[kind];
        }
    }
    return -1;
}

void CopyDeviceLabel(char (&label)[kDeviceLabelCapacity], const char* text)
{
    const size_t length = text ? strnlen(text, kDeviceLabelCapacity - 2) : 0;
    std::memcpy(label, text ? text : "", length);
    label[length] = '\0';
}
