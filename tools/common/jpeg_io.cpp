#include "tools/common/jpeg_io.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "viewer/jpeg_coefficients.h"
#include "viewer/jpeg_errors.h"

namespace {

// Reads the header and, when pixels is given, decodes the image into it.
// Kept apart from the std::string handling of the caller: nothing with a
// destructor may live between setjmp and longjmp.
bool Decompress(const uint8_t* data, size_t size, JpegInfo* info, std::vector<uint8_t>* pixels,
                JpegErrors* errors)
{
    jpeg_decompress_struct cinfo;
    cinfo.err = UseJpegErrors(*errors);
    if (setjmp(errors->recovery)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    if (!pixels) {
        info->width = cinfo.image_width;
        info->height = cinfo.image_height;
        info->components = cinfo.num_components;
        info->coefficientBytes = CoefficientBufferBytes(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    jpeg_start_decompress(&cinfo);
    info->width = cinfo.output_width;
    info->height = cinfo.output_height;
    info->components = cinfo.output_components;
    const size_t stride = size_t{cinfo.output_width} * cinfo.output_components;
    pixels->resize(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels->data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool Compress(const uint8_t* pixels, uint32_t width, uint32_t height,
              const JpegEncodeOptions* options, unsigned char** buffer, unsigned long* size,
              JpegErrors* errors)
{
    jpeg_compress_struct cinfo;
    cinfo.err = UseJpegErrors(*errors);
    if (setjmp(errors->recovery)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, buffer, size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    switch (options->colour) {
    case JpegColour::Grey:
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
        break;
    case JpegColour::Rgb:
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        break;
    case JpegColour::Cmyk:
        cinfo.input_components = 4;
        cinfo.in_color_space = JCS_CMYK;
        break;
    case JpegColour::TwoChannels:
        cinfo.input_components = 2;
        cinfo.in_color_space = JCS_UNKNOWN;
        break;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, options->quality, TRUE);
    if (options->storage == JpegStorage::AsGiven && options->colour == JpegColour::Rgb) {
        jpeg_set_colorspace(&cinfo, JCS_RGB);
    } else if (options->storage == JpegStorage::Ycck && options->colour == JpegColour::Cmyk) {
        jpeg_set_colorspace(&cinfo, JCS_YCCK);
    }
    if (options->horizontalSampling > 0 && options->verticalSampling > 0) {
        for (int c = 0; c < cinfo.num_components; ++c) {
            cinfo.comp_info[c].h_samp_factor = c == 0 ? options->horizontalSampling : 1;
            cinfo.comp_info[c].v_samp_factor = c == 0 ? options->verticalSampling : 1;
        }
    }
    cinfo.restart_in_rows = options->restartRows;
    if (options->progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (options->iccProfile) {
        jpeg_write_icc_profile(&cinfo, options->iccProfile->data(),
                               static_cast<unsigned>(options->iccProfile->size()));
    }
    const size_t stride = static_cast<size_t>(width) * cinfo.input_components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

bool DecodeInto(const std::vector<uint8_t>& data, JpegInfo& info, std::vector<uint8_t>* pixels,
                std::string& error)
{
    JpegErrors errors{};
    if (!Decompress(data.data(), data.size(), &info, pixels, &errors)) {
        error = errors.message;
        return false;
    }
    return true;
}

}  // namespace

bool ReadJpegInfo(const std::vector<uint8_t>& data, JpegInfo& info, std::string& error)
{
    return DecodeInto(data, info, nullptr, error);
}

bool DecodeJpeg(const std::vector<uint8_t>& data, JpegInfo& info, std::vector<uint8_t>& pixels,
                std::string& error)
{
    return DecodeInto(data, info, &pixels, error);
}

bool EncodeJpeg(const uint8_t* pixels, uint32_t width, uint32_t height,
                const JpegEncodeOptions& options, std::vector<uint8_t>& out)
{
    JpegErrors errors{};
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool ok = Compress(pixels, width, height, &options, &buffer, &size, &errors);
    if (ok) {
        out.assign(buffer, buffer + size);
    }
    std::free(buffer);
    return ok;
}
