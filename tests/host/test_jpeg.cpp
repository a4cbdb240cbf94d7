#include "test_jpeg.h"

#include "tools/common/jpeg_io.h"

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
