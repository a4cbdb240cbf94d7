// The rules of the device table that need no platform: the order of display
// modes, which modes a device can render into, the default display mode, the
// choice of the default device and the labels of the device list.
#pragma once

#include <cstddef>
#include <cstdint>

struct ModeKey {
    uint32_t width;
    uint32_t height;
    uint32_t bits;
};

// -1, 0 or 1: by width, then height, then bit depth.
int CompareModeKeys(const ModeKey& a, const ModeKey& b);

// Render bit-depth flags of a Direct3D device description.
constexpr uint32_t kRenderDepth32 = 0x100;
constexpr uint32_t kRenderDepth24 = 0x200;
constexpr uint32_t kRenderDepth16 = 0x400;

// Can a device with these render bit depths draw into a mode of bits? Modes
// of 8 bits and fewer never qualify.
bool DeviceRendersDepth(uint32_t bits, uint32_t renderBitDepths);

// The mode every device starts with when it offers it.
constexpr ModeKey kDefaultMode{640, 480, 16};

// Index of the last mode equal to wanted, or -1 when there is none; keyOf
// gives the ModeKey of a mode record.
template <typename Mode, typename KeyOf>
int LastModeIndex(const Mode* modes, size_t count, KeyOf keyOf, const ModeKey& wanted)
{
    int found = -1;
    for (size_t i = 0; i < count; ++i) {
        if (CompareModeKeys(keyOf(modes[i]), wanted) == 0) {
            found = static_cast<int>(i);
        }
    }
    return found;
}

constexpr uint32_t DEVCHOICE_SOFTWARE_ONLY = 1;

struct DeviceFacts {
    bool windowCapable;
    bool hardware;
    bool tnlHal;     // the transform-and-lighting HAL device
    bool reference;  // the reference rasterizer
};

// Index of the default device, or -1: among the window-capable devices the
// last of its class, by class in the order hardware T&L, other hardware,
// other software, reference; with DEVCHOICE_SOFTWARE_ONLY only the software
// classes count.
int ChooseDefaultDeviceIndex(const DeviceFacts* devices, size_t count, uint32_t flags);

constexpr size_t kDeviceLabelCapacity = 40;

// At most 38 characters of text, NUL-terminated.
void CopyDeviceLabel(char (&label)[kDeviceLabelCapacity], const char* text);
