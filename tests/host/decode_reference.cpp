#include "decode_reference.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "viewer/jpeg_errors.h"

namespace decode_reference {
namespace {

void MakeTiles(Tiles& tiles)
{
    PanoramaImage& image = tiles.image;
    ChooseTileGrid(image);
    for (int ty = 0; ty < image.tileRows; ++ty) {
        for (int tx = 0; tx < image.tileColumns; ++tx) {
            const int k = ty * image.tileColumns + tx;
            tiles.pixels[k].assign(size_t{TileWidth(image, tx)} * TileHeight(image, ty), 0);
            image.tilePixels[k] = tiles.pixels[k].data();
        }
    }
}

void ConvertSamples(const JSAMPLE* s, int components, uint32_t width, uint8_t* row)
{
    switch (components) {
    case 3:
        for (uint32_t i = 0; i < width; ++i, s += 3, row += 4) {
            row[0] = s[2];
            row[1] = s[1];
            row[2] = s[0];
        }
        break;
    case 1:
        for (uint32_t i = 0; i < width; ++i, ++s, row += 4) {
            row[0] = row[1] = row[2] = s[0];
        }
        break;
    case 4:
        for (uint32_t i = 0; i < width; ++i, s += 4, row += 4) {
            const unsigned k = s[3];
            row[0] = static_cast<uint8_t>(s[2] * k / 255);
            row[1] = static_cast<uint8_t>(s[1] * k / 255);
            row[2] = static_cast<uint8_t>(s[0] * k / 255);
        }
        break;
    default:
        break;  // no colour conversion exists for other counts; the row stays as it was
    }
}

// Writes red, green and blue of each pixel; the alpha byte keeps what the
// tile held.
void StoreImageRow(PanoramaImage& image, uint32_t y, const uint8_t* row)
{
    const uint32_t tileH = image.imageHeight / image.tileRows;
    int tileRow = 0;
    if (y >= tileH) {
        tileRow = 1;
        y -= tileH;
    }
    uint32_t sourceX = 0;
    for (int tx = image.tileColumns - 1; tx >= 0; --tx) {
        const uint32_t w = TileWidth(image, tx);
        uint32_t* out = image.tilePixels[tileRow * image.tileColumns + tx] + size_t{y} * w;
        const uint8_t* in = row + size_t{sourceX} * 4;
        for (uint32_t j = 0; j < w; ++j, in += 4) {
            out[j] = uint32_t{in[2]} << 24 | uint32_t{in[1]} << 16 | uint32_t{in[0]} << 8 |
                     (out[j] & 0xFF);
        }
        sourceX += w;
    }
}

// Nothing with a destructor lives between setjmp and longjmp: the tile
// vectors belong to the caller.
bool Run(const uint8_t* data, size_t size, Tiles* tiles, JpegErrors* errors)
{
    jpeg_decompress_struct cinfo;
    uint8_t* volatile rowBuffer = nullptr;
    cinfo.err = UseJpegErrors(*errors);
    if (setjmp(errors->recovery)) {
        std::free(rowBuffer);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    tiles->image.imageWidth = cinfo.output_width;
    tiles->image.imageHeight = cinfo.output_height;
    MakeTiles(*tiles);
    rowBuffer = static_cast<uint8_t*>(std::calloc(cinfo.output_width, 4));
    if (!rowBuffer) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    JSAMPARRAY samples = (*cinfo.mem->alloc_sarray)(
        reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
        cinfo.output_width * cinfo.output_components, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, samples, 1);
        ConvertSamples(samples[0], cinfo.output_components, cinfo.output_width, rowBuffer);
        StoreImageRow(tiles->image, cinfo.output_scanline - 1, rowBuffer);
    }
    std::free(rowBuffer);
    rowBuffer = nullptr;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

bool Decode(const std::vector<uint8_t>& jpeg, Tiles& tiles)
{
    JpegErrors errors;
    return Run(jpeg.data(), jpeg.size(), &tiles, &errors);
}

}  // namespace decode_reference
