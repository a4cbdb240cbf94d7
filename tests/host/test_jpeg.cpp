#include "test_jpeg.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "tools/common/jpeg_io.h"

namespace {

struct EncodeErrors {
    jpeg_error_mgr base;
    std::jmp_buf recovery;
};

void OnEncodeError(j_common_ptr cinfo)
{
    cinfo->err->output_message(cinfo);
    std::longjmp(reinterpret_cast<EncodeErrors*>(cinfo->err)->recovery, 1);
}

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

const JOCTET kFakeIccProfile[] = "an ICC profile the decoder carries but never applies";

// Everything between setjmp and longjmp is free of destructors.
bool Compress(const uint8_t* pixels, uint32_t width, uint32_t height, const TestJpegLayout* layout,
              unsigned char** buffer, unsigned long* size, EncodeErrors* errors)
{
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&errors->base);
    errors->base.error_exit = OnEncodeError;
    if (setjmp(errors->recovery)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = InputComponents(layout->colour);
    switch (layout->colour) {
    case StoredColour::Grey:
        cinfo.in_color_space = JCS_GRAYSCALE;
        break;
    case StoredColour::TwoChannels:
        cinfo.in_color_space = JCS_UNKNOWN;
        break;
    case StoredColour::Cmyk:
    case StoredColour::Ycck:
        cinfo.in_color_space = JCS_CMYK;
        break;
    default:
        cinfo.in_color_space = JCS_RGB;
        break;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 85, TRUE);
    if (layout->colour == StoredColour::Rgb) {
        jpeg_set_colorspace(&cinfo, JCS_RGB);
    } else if (layout->colour == StoredColour::Ycck) {
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    }
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = c == 0 ? layout->horizontalSampling : 1;
        cinfo.comp_info[c].v_samp_factor = c == 0 ? layout->verticalSampling : 1;
    }
    cinfo.restart_in_rows = layout->restartRows;
    if (layout->progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (layout->colour == StoredColour::YCbCrIcc) {
        jpeg_write_icc_profile(&cinfo, kFakeIccProfile, sizeof kFakeIccProfile);
    }
    const size_t stride = size_t{width} * cinfo.input_components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
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
    EncodeErrors errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    std::vector<uint8_t> jpeg;
    if (Compress(pixels.data(), width, height, &layout, &buffer, &size, &errors)) {
        jpeg.assign(buffer, buffer + size);
    }
    std::free(buffer);
    return jpeg;
}
