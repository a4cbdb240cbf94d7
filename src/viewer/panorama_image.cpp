#include "viewer/panorama_image.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "display/named_texture.h"

namespace {

struct DecodeErrors {
    jpeg_error_mgr base;
    std::jmp_buf recovery;
};

// Reports through the library's own message output (standard error), then
// leaves the library for good through the recovery point.
void OnDecodeError(j_common_ptr cinfo)
{
    cinfo->err->output_message(cinfo);
    std::longjmp(reinterpret_cast<DecodeErrors*>(cinfo->err)->recovery, 1);
}

uint32_t TileWidth(const PanoramaImage& image, int tx)
{
    const uint32_t tileW = image.imageWidth / image.tileColumns;
    return tx == image.tileColumns - 1 ? image.imageWidth - tx * tileW : tileW;
}

uint32_t TileHeight(const PanoramaImage& image, int ty)
{
    const uint32_t tileH = image.imageHeight / image.tileRows;
    return ty == image.tileRows - 1 ? image.imageHeight - ty * tileH : tileH;
}

bool FitsInMemory(j_decompress_ptr cinfo, uint64_t limit)
{
    const uint64_t pixels = uint64_t{cinfo->image_width} * cinfo->image_height;
    const uint64_t coefficients =
        jpeg_has_multiple_scans(cinfo) ? 2 * uint64_t(cinfo->num_components) * pixels : 0;
    return pixels * 4 + coefficients <= limit;
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

// The decoding proper. Nothing in here may own resources with destructors:
// the error exit jumps back to the recovery point across library frames.
// file, rowBuffer and the decoder are released by whichever way it leaves.
bool Decode(PanoramaImage* image, std::FILE* file, int32_t imageOffset, uint64_t memoryLimit,
            DecodeErrors* errors)
{
    jpeg_decompress_struct cinfo;
    uint8_t* volatile rowBuffer = nullptr;
    cinfo.err = jpeg_std_error(&errors->base);
    errors->base.error_exit = OnDecodeError;
    if (setjmp(errors->recovery)) {
        std::free(rowBuffer);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    std::fseek(file, imageOffset, SEEK_SET);  // a failed seek leaves the file at its start
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    if (!FitsInMemory(&cinfo, memoryLimit)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_start_decompress(&cinfo);
    image->imageWidth = cinfo.output_width;
    image->imageHeight = cinfo.output_height;
    if (CreateTileTextures(*image) != S_OK) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    // Zeroed, so rows of a colour layout without conversion show black.
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
        StoreImageRow(*image, cinfo.output_scanline - 1, rowBuffer);
    }
    std::free(rowBuffer);
    rowBuffer = nullptr;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

void TileTextureName(int k, char (&name)[13])
{
    std::memcpy(name, "panotexture1", sizeof name);
    name[11] = static_cast<char>('1' + k);
}

void ChooseTileGrid(PanoramaImage& image)
{
    image.tileColumns = image.imageWidth > 4096 ? 4 : image.imageWidth > 2048 ? 2 : 1;
    image.tileRows = image.imageHeight > 2048 ? 2 : 1;
    image.tileCount = static_cast<uint32_t>(image.tileColumns * image.tileRows);
}

HRESULT CreateTileTextures(PanoramaImage& image)
{
    ChooseTileGrid(image);
    for (int ty = 0; ty < image.tileRows; ++ty) {
        for (int tx = 0; tx < image.tileColumns; ++tx) {
            const int k = ty * image.tileColumns + tx;
            char name[13];
            TileTextureName(k, name);
            const uint32_t width = TileWidth(image, tx);
            const uint32_t height = TileHeight(image, ty);
            const HRESULT status = CreateNamedTexture(name, width, height, 0, TEXOPT_DEPTH32);
            if (status != S_OK) {
                return status;
            }
            NamedTexture* texture = FindNamedTexture(name);
            texture->pixelBuffer =
                static_cast<uint32_t*>(std::malloc(size_t{width} * height * sizeof(uint32_t)));
            image.tilePixels[k] = texture->pixelBuffer;
            if (!texture->pixelBuffer) {
                return E_OUTOFMEMORY;
            }
        }
    }
    return S_OK;
}

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
            out[j] = uint32_t{in[2]} << 24 | uint32_t{in[1]} << 16 | uint32_t{in[0]} << 8 | 0xFF;
        }
        sourceX += w;
    }
}

bool LoadPanorama(PanoramaImage& image, const char* exePath, int32_t imageOffset,
                  uint64_t memoryLimit)
{
    std::FILE* file = exePath ? std::fopen(exePath, "rb") : nullptr;
    if (!file) {
        return false;
    }
    DecodeErrors errors;
    const bool decoded = Decode(&image, file, imageOffset, memoryLimit, &errors);
    std::fclose(file);
    return decoded;
}
