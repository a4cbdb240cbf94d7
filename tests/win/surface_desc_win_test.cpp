// A prepared surface description is the 32-bit viewer's 124-byte record, zeroed but for its
// size, flags, capabilities and pixel-format size.
#include "display/surface_desc_win.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(SurfaceDesc, PreparedDescriptionIsZeroedApartFromItsHeader)
{
    if (sizeof(void*) != 4) {
        GTEST_SKIP() << "the 124-byte record is the 32-bit viewer's layout; this 64-bit build of "
                        "the same sources holds an 8-byte pointer in it";
    }
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0xCD, sizeof desc);
    PrepareSurfaceDesc(desc, DDSD_CAPS | DDSD_WIDTH, DDSCAPS_TEXTURE);
    EXPECT_EQ(desc.dwSize, 124u);
    EXPECT_EQ(desc.dwFlags, DWORD{DDSD_CAPS | DDSD_WIDTH});
    EXPECT_EQ(desc.ddsCaps.dwCaps, DWORD{DDSCAPS_TEXTURE});
    EXPECT_EQ(desc.ddpfPixelFormat.dwSize, 32u);

    DDSURFACEDESC2 expected;
    std::memset(&expected, 0, sizeof expected);
    expected.dwSize = 124;
    expected.dwFlags = DDSD_CAPS | DDSD_WIDTH;
    expected.ddsCaps.dwCaps = DDSCAPS_TEXTURE;
    expected.ddpfPixelFormat.dwSize = 32;
    EXPECT_EQ(std::memcmp(&desc, &expected, sizeof desc), 0);
}
