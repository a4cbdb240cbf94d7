#include "test_jpeg.h"

#include "tools/common/jpeg_io.h"

namespace {

int InputComponents(StoredColour colour)
{
    switch (colour) {
    case StoredColour::Grey:
        return 1;
    case StoredColour::TwoChannels:
        return 2;
    case StoredColour::Cmyk:
    case StoredColour::Ycck:
        return 4;
    default:
        return 3;
    }
}

// Channel c of pixel (x, y): smooth ramps crossed by fine stripes and a
// checkerboard of hard edges, different in every channel.
uint8_t PatternSample(uint32_t x, uint32_t y, int c, uint32_t width, uint32_t height)
{
    const uint32_t ramp = c % 2 ? y * 255 / height : x * 255 / width;
    const uint32_t stripes = ((x * (c + 3) + y * (c + 1)) / 3) % 2 ? 40 : 0;
    const uint32_t checker = ((x / 8 + y / 8 + c) % 2) ? 60 : 0;
    return static_cast<uint8_t>((ramp + stripes + checker) % 256);
}

// The library's options for each way of storing the colours.
JpegEncodeOptions EncodeOptions(const TestJpegLayout& layout,
                                const std::vector<uint8_t>& iccProfile)
{
    JpegEncodeOptions options;
    options.quality = 85;
    options.progressive = layout.progressive;
    options.horizontalSampling = layout.horizontalSampling;
    options.verticalSampling = layout.verticalSampling;
    options.restartRows = layout.restartRows;
    switch (layout.colour) {
    case StoredColour::Grey:
        options.colour = JpegColour::Grey;
        break;
    case StoredColour::TwoChannels:
        options.colour = JpegColour::TwoChannels;
        break;
    case StoredColour::Cmyk:
        options.colour = JpegColour::Cmyk;
        break;
    case StoredColour::Ycck:
        options.colour = JpegColour::Cmyk;
        options.storage = JpegStorage::Ycck;
        break;
    case StoredColour::Rgb:
        options.storage = JpegStorage::AsGiven;
        break;
    case StoredColour::YCbCrIcc:
        options.iccProfile = &iccProfile;
        break;
    case StoredColour::YCbCr:
        break;
    }
    return options;
}

}  // namespace

std::vector<uint8_t> MakeTestJpeg(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<uint8_t>(x * 255 / width);
            p[1] = static_cast<uint8_t>(y * 255 / height);
            p[2] = 128;
        }
    }
    std::vector<uint8_t> jpeg;
    EncodeJpeg(rgb.data(), width, height, JpegEncodeOptions{}, jpeg);
    return jpeg;
}

std::vector<uint8_t> MakePatternJpeg(uint32_t width, uint32_t height, const TestJpegLayout& layout)
{
    const int components = InputComponents(layout.colour);
    std::vector<uint8_t> pixels(size_t{width} * height * components);
    uint8_t* p = pixels.data();
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c) {
                *p++ = PatternSample(x, y, c, width, height);
            }
        }
    }
    static const char kProfile[] = "an ICC profile the decoder carries but never applies";
    const std::vector<uint8_t> iccProfile(kProfile, kProfile + sizeof kProfile);
    std::vector<uint8_t> jpeg;
    EncodeJpeg(pixels.data(), width, height, EncodeOptions(layout, iccProfile), jpeg);
    return jpeg;
}

std::vector<uint8_t> ClaimingSize(std::vector<uint8_t> jpeg, uint32_t width, uint32_t height)
{
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<uint8_t>(height);
            jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<uint8_t>(width);
            break;
        }
    }
    return jpeg;
}
