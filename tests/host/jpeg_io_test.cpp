// The tools' JPEG helpers: encoded images read back their size and component count, and data
// that is no JPEG is refused with the library's reason.
#include "tools/common/jpeg_io.h"

#include <gtest/gtest.h>

TEST(JpegIo, EncodedImagesReadBackTheirHeader)
{
    struct Case {
        const char* label;
        JpegColour colour;
        int components;
        bool progressive;
    };
    const Case cases[] = {
        {"rgb", JpegColour::Rgb, 3, false},
        {"grey", JpegColour::Grey, 1, false},
        {"cmyk", JpegColour::Cmyk, 4, false},
        {"progressive", JpegColour::Rgb, 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::vector<uint8_t> pixels(33 * 17 * c.components, 200);
        JpegEncodeOptions options;
        options.colour = c.colour;
        options.progressive = c.progressive;
        std::vector<uint8_t> jpeg;
        ASSERT_TRUE(EncodeJpeg(pixels.data(), 33, 17, options, jpeg));
        JpegInfo info;
        std::string error;
        ASSERT_TRUE(ReadJpegInfo(jpeg, info, error)) << error;
        EXPECT_EQ(info.width, 33u);
        EXPECT_EQ(info.height, 17u);
        EXPECT_EQ(info.components, c.components);
    }
}

TEST(JpegIo, NonJpegDataIsRefusedWithTheLibrarysReason)
{
    JpegInfo info;
    std::string error;
    EXPECT_FALSE(ReadJpegInfo(std::vector<uint8_t>(64, 'x'), info, error));
    EXPECT_NE(error.find("JPEG"), std::string::npos) << error;
    EXPECT_FALSE(ReadJpegInfo({}, info, error));
}
