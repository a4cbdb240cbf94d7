#include "viewer/panorama_image.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#if !defined(JCS_EXTENSIONS) || !defined(JCS_ALPHA_EXTENSIONS)
#error "the loader needs libjpeg-turbo's extended colour spaces (JCS_EXT_ABGR)"
#endif

#include "display/mip_levels.h"
#include "display/named_texture.h"
#include "viewer/image_memory.h"
#include "viewer/jpeg_coefficients.h"
#include "viewer/jpeg_errors.h"

namespace {

// A failure of the loader's own: its reason in errors, the decoder released.
bool Fail(JpegErrors* errors, jpeg_decompress_struct* cinfo, const char* reason)
{
    std::snprintf(errors->message, sizeof errors->message, "%s", reason);
    jpeg_destroy_decompress(cinfo);
    return false;
}

constexpr char kNoMemoryForLevels[] = "no memory for the mip levels";
constexpr char kCancelled[] = "cancelled";

// Why FinishTiles failed.
const char* UnfinishedReason(const TileProgress* progress)
{
    return progress && progress->Cancelled() ? kCancelled : kNoMemoryForLevels;
}
static_assert(sizeof(PanoramaLoad::reason) >= JMSG_LENGTH_MAX);

// Rows asked for per library call: the height of one row of blocks in the
// usual 2 x 2 subsampled file, which the decoder hands out in one go.
constexpr uint32_t kBatchRows = 16;

// Where image row y starts in tile column tx.
uint32_t* TileRowStart(const PanoramaImage& image, uint32_t y, int tx)
{
    const uint32_t tileH = image.imageHeight / image.tileRows;
    const int ty = y >= tileH ? 1 : 0;
    return image.tilePixels[ty * image.tileColumns + tx] +
           size_t{y - ty * tileH} * TileWidth(image, tx);
}

// Spreads decoded rows over the tiles, one tile column at a time: the
// image's columns go out from its left edge to the highest tile column
// first, so tile column 0 holds the right end. A plain loop, which the
// compiler vectorises: for pieces of a few kilobytes into fresh memory it
// runs markedly faster than the C library's memcpy.
void StoreRows(const PanoramaImage& image, uint32_t y, uint32_t count, const uint32_t* rows)
{
    const uint32_t width = image.imageWidth;
    uint32_t left = 0;
    for (int tx = image.tileColumns - 1; tx >= 0; --tx) {
        const uint32_t w = TileWidth(image, tx);
        for (uint32_t i = 0; i < count; ++i) {
            uint32_t* __restrict to = TileRowStart(image, y + i, tx);
            const uint32_t* __restrict from = rows + size_t{i} * width + left;
            for (uint32_t x = 0; x < w; ++x) {
                to[x] = from[x];
            }
        }
        left += w;
    }
}

// Layouts the library does not hand out as words. Four components (CMYK,
// also from YCCK files, stored inverted as Adobe writes them): each of red,
// green and blue is its channel scaled by the fourth. No conversion exists
// for other counts; their rows are black.
void ConvertSamples(const JSAMPLE* s, int components, uint32_t width, uint32_t* row)
{
    if (components != 4) {
        std::fill_n(row, width, uint32_t{0xFF});
        return;
    }
    for (uint32_t i = 0; i < width; ++i, s += 4) {
        const unsigned k = s[3];
        row[i] = (s[0] * k / 255) << 24 | (s[1] * k / 255) << 16 | (s[2] * k / 255) << 8 | 0xFF;
    }
}

// Makes tiles first to end - 1 final, one after another: each gets its
// chain of mip levels when the image has them (its full-size pixels go
// before the next tile's chain is made), then is handed over. False when a
// chain cannot be made or the decode is cancelled.
bool FinishTiles(PanoramaImage& image, uint32_t first, uint32_t end, TileProgress* progress)
{
    for (uint32_t k = first; k < end; ++k) {
        if (progress && progress->Cancelled()) {
            return false;
        }
        if (image.mipLevels) {
            NamedTexture* texture = FindTileTexture(image, k);
            if (BuildMipLevels(*texture) != S_OK) {
                return false;
            }
            image.tilePixels[k] = texture->pixelBuffer;
        }
        if (progress) {
            progress->TilesReady(k + 1);
        }
    }
    return true;
}

// Asks the decode's progress, during the library's own long passes too (a
// progressive file's coefficients are all read in jpeg_start_decompress),
// whether to go on: a cancelled decode leaves through the recovery point.
struct CancelWatch {
    jpeg_progress_mgr base;
    const TileProgress* progress;
    JpegErrors* errors;
};

void WatchForCancel(j_common_ptr cinfo)
{
    const auto* watch = reinterpret_cast<const CancelWatch*>(cinfo->progress);
    if (watch->progress->Cancelled()) {
        std::longjmp(watch->errors->recovery, 1);
    }
}

// The decoding proper. Nothing in here may own resources with destructors:
// the error exit jumps back to the recovery point across library frames.
// file, batch and the decoder are released by whichever way it leaves.
bool Decode(PanoramaImage* image, std::FILE* file, int32_t imageOffset, const ImageBudget* budget,
            const ViewerOptions* options, TileProgress* progress, JpegErrors* errors,
            bool* needsRoom)
{
    jpeg_decompress_struct cinfo;
    uint32_t* volatile batch = nullptr;
    CancelWatch watch{{WatchForCancel, 0, 0, 0, 0}, progress, errors};
    cinfo.err = UseJpegErrors(*errors);
    if (setjmp(errors->recovery)) {
        if (progress && progress->Cancelled()) {
            std::snprintf(errors->message, sizeof errors->message, "%s", kCancelled);
        }
        std::free(batch);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    if (progress) {
        cinfo.progress = &watch.base;
    }
    std::fseek(file, imageOffset, SEEK_SET);  // a failed seek leaves the file at its start
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    const ImageLoadPlan plan = PlanImageLoad(cinfo.image_width, cinfo.image_height,
                                             CoefficientBufferBytes(&cinfo), *options, *budget);
    if (!plan.fits) {
        ImageBudget alone = *budget;
        alone.memory = budget->memoryAlone;
        *needsRoom = alone.memory > budget->memory &&
                     PlanImageLoad(cinfo.image_width, cinfo.image_height,
                                   CoefficientBufferBytes(&cinfo), *options, alone)
                         .fits;
        char reason[JMSG_LENGTH_MAX];
        std::snprintf(reason, sizeof reason,
                      "the image, %u x %u, needs more memory than the %llu bytes allowed",
                      cinfo.image_width, cinfo.image_height,
                      static_cast<unsigned long long>(budget->memory));
        return Fail(errors, &cinfo, reason);
    }
    image->mipLevels = plan.mipLevels;
    if (plan.scale != kFullScale) {
        cinfo.scale_num = plan.scale;
        cinfo.scale_denom = kFullScale;
    }
    // Colour and grey images come out of the library as finished tile words:
    // bytes alpha, blue, green, red are the word 0xRRGGBBAA on this
    // little-endian machine, with alpha 255.
    const bool asWords = cinfo.out_color_space == JCS_RGB || cinfo.out_color_space == JCS_GRAYSCALE;
    if (asWords) {
        cinfo.out_color_space = JCS_EXT_ABGR;
    }
    jpeg_start_decompress(&cinfo);
    image->imageWidth = cinfo.output_width;
    image->imageHeight = cinfo.output_height;
    if (CreateTileTextures(*image) != S_OK) {
        return Fail(errors, &cinfo, "no memory for the tiles");
    }
    if (progress) {
        progress->TilesReady(0);
    }
    // With one tile column every image row is a tile row: decode in place.
    // Otherwise a few rows at a time go through the batch into the tiles.
    const bool inPlace = image->tileColumns == 1;
    const uint32_t width = cinfo.output_width;
    if (!inPlace) {
        batch = static_cast<uint32_t*>(std::malloc(size_t{width} * kBatchRows * sizeof(uint32_t)));
        if (!batch) {
            return Fail(errors, &cinfo, "no memory for the rows being decoded");
        }
    }
    const JSAMPARRAY samples =
        asWords ? nullptr
                : (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                             width * cinfo.output_components, kBatchRows);
    JSAMPROW rows[kBatchRows];
    uint32_t finished = 0;  // tiles handed over
    while (cinfo.output_scanline < cinfo.output_height) {
        if (progress && progress->Cancelled()) {
            std::free(batch);
            return Fail(errors, &cinfo, kCancelled);
        }
        const uint32_t y = cinfo.output_scanline;
        const uint32_t wanted = std::min(kBatchRows, cinfo.output_height - y);
        for (uint32_t i = 0; i < wanted; ++i) {
            uint32_t* row = inPlace ? TileRowStart(*image, y + i, 0) : batch + size_t{i} * width;
            rows[i] = reinterpret_cast<JSAMPROW>(row);
        }
        const uint32_t got = jpeg_read_scanlines(&cinfo, asWords ? rows : samples, wanted);
        for (uint32_t i = 0; i < got && !asWords; ++i) {
            ConvertSamples(samples[i], cinfo.output_components, width,
                           reinterpret_cast<uint32_t*>(rows[i]));
        }
        if (!inPlace) {
            StoreRows(*image, y, got, batch);
        }
        if (finished == 0 && image->tileRows > 1 &&
            cinfo.output_scanline >= image->imageHeight / image->tileRows) {
            finished = static_cast<uint32_t>(image->tileColumns);
            if (!FinishTiles(*image, 0, finished, progress)) {
                std::free(batch);
                return Fail(errors, &cinfo, UnfinishedReason(progress));
            }
        }
    }
    std::free(batch);
    batch = nullptr;
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    if (!FinishTiles(*image, finished, image->tileCount, progress)) {
        std::snprintf(errors->message, sizeof errors->message, "%s", UnfinishedReason(progress));
        return false;
    }
    return true;
}

}  // namespace

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

void TileTextureName(uint32_t k, char (&name)[kTileNameCapacity])
{
    std::snprintf(name, sizeof name, "panotexture%u", static_cast<unsigned>(k % (2 * kMaxTiles)) + 1);
}

NamedTexture* FindTileTexture(const PanoramaImage& image, uint32_t k)
{
    char name[kTileNameCapacity];
    TileTextureName(image.firstTile + k, name);
    return FindNamedTexture(name);
}

void DestroyTileTextures(PanoramaImage& image)
{
    for (uint32_t k = 0; k < kMaxTiles; ++k) {
        if (NamedTexture* texture = FindTileTexture(image, k)) {
            DestroyNamedTexture(texture);
        }
        image.tilePixels[k] = nullptr;
    }
    image.tileCount = 0;
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
            char name[kTileNameCapacity];
            TileTextureName(image.firstTile + k, name);
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

PanoramaLoad LoadPanorama(PanoramaImage& image, const char* exePath, int32_t imageOffset,
                          const ImageBudget& budget, const ViewerOptions& options,
                          TileProgress* progress)
{
    PanoramaLoad load;
    std::FILE* file = exePath ? std::fopen(exePath, "rb") : nullptr;
    if (!file) {
        std::snprintf(load.reason, sizeof load.reason, "cannot open the program's own file");
        return load;
    }
    JpegErrors errors;
    load.loaded =
        Decode(&image, file, imageOffset, &budget, &options, progress, &errors, &load.needsRoom);
    std::fclose(file);
    if (!load.loaded) {
        std::snprintf(load.reason, sizeof load.reason, "%s", errors.message);
    }
    return load;
}
