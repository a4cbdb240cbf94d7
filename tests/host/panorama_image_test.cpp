// Loading the panorama: the tile grid and every pixel's place in it, the colour layouts, failures
// with their reason, the memory limit and its plans, mip levels, and tiles handed over in order.
#include "viewer/panorama_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "display/named_texture.h"
#include "temp_file.h"
#include "test_jpeg.h"
#include "tools/samplegen/sample_pattern.h"
#include "viewer/image_memory.h"

namespace {

constexpr int32_t kStubSize = 1000;

// An executable stand-in: stub bytes, then the JPEG.
std::vector<uint8_t> WithStub(const std::vector<uint8_t>& jpeg)
{
    std::vector<uint8_t> file(kStubSize + jpeg.size(), 'M');
    std::copy(jpeg.begin(), jpeg.end(), file.begin() + kStubSize);
    return file;
}

std::vector<uint8_t> Sample(uint32_t width, uint32_t height, JpegEncodeOptions jpeg = {})
{
    std::vector<uint8_t> data;
    EXPECT_TRUE(MakeSampleJpeg(SampleOptions{width, height, false, jpeg}, data));
    return data;
}

struct Decoded {
    JpegInfo info;
    std::vector<uint8_t> pixels;
};

Decoded Reference(const std::vector<uint8_t>& jpeg)
{
    Decoded decoded;
    std::string error;
    EXPECT_TRUE(DecodeJpeg(jpeg, decoded.info, decoded.pixels, error)) << error;
    return decoded;
}

class PanoramaLoading : public ::testing::Test {
protected:
    ViewerOptions options_;

    void SetUp() override { DestroyAllNamedTextures(); }
    void TearDown() override { DestroyAllNamedTextures(); }

    bool Load(const std::vector<uint8_t>& jpeg, uint64_t limit = ImageMemoryLimit(kLargeAddressSpace))
    {
        TempFile exe(WithStub(jpeg));
        return LoadPanorama(image_, exe.CPath(), kStubSize, limit, options_).loaded;
    }

    // The word the loader must have stored for image pixel (x, y).
    uint32_t TileWord(uint32_t x, uint32_t y) const
    {
        const uint32_t tileW = image_.imageWidth / image_.tileColumns;
        const uint32_t tileH = image_.imageHeight / image_.tileRows;
        const uint32_t lastW = image_.imageWidth - (image_.tileColumns - 1) * tileW;
        // Columns go out from the left edge to the highest tile column first.
        int tx = image_.tileColumns - 1;
        uint32_t left = 0, width = lastW;
        while (x >= left + width) {
            left += width;
            --tx;
            width = tileW;
        }
        const int ty = y >= tileH ? 1 : 0;
        const uint32_t localY = ty ? y - tileH : y;
        char name[kTileNameCapacity];
        TileTextureName(ty * image_.tileColumns + tx, name);
        const NamedTexture* tile = FindNamedTexture(name);
        EXPECT_EQ(tile->pixelBuffer, image_.tilePixels[ty * image_.tileColumns + tx]);
        return tile->pixelBuffer[size_t{localY} * tile->width + (x - left)];
    }

    void ExpectMatchesReference(const Decoded& reference, uint32_t step)
    {
        ASSERT_EQ(reference.info.components, 3);
        for (uint32_t y = 0; y < image_.imageHeight; y += step) {
            for (uint32_t x = 0; x < image_.imageWidth; x += step) {
                const uint8_t* p = &reference.pixels[(size_t{y} * image_.imageWidth + x) * 3];
                const uint32_t expected = uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 |
                                          uint32_t{p[2]} << 8 | 0xFF;
                ASSERT_EQ(TileWord(x, y), expected) << "pixel " << x << "," << y;
            }
        }
    }

    PanoramaImage image_;
};

std::string TileSize(const char* name)
{
    const NamedTexture* t = FindNamedTexture(name);
    return t ? std::to_string(t->width) + "x" + std::to_string(t->height) : "none";
}

}  // namespace

TEST_F(PanoramaLoading, TileGridAtTheThresholds)
{
    struct Case {
        uint32_t width, height;
        int columns, rows;
        const char* lastTile;
    };
    const Case cases[] = {
        {2048, 10, 1, 1, "2048x10"},   {2049, 10, 2, 1, "1025x10"},
        {4096, 10, 2, 1, "2048x10"},   {4097, 10, 4, 1, "1025x10"},
        {10000, 1, 4, 1, "2500x1"},    {10, 2048, 1, 1, "10x2048"},
        {10, 2049, 1, 2, "10x1025"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        DestroyAllNamedTextures();
        PanoramaImage image;
        image.imageWidth = c.width;
        image.imageHeight = c.height;
        ASSERT_EQ(CreateTileTextures(image), S_OK);
        EXPECT_EQ(image.tileColumns, c.columns);
        EXPECT_EQ(image.tileRows, c.rows);
        EXPECT_EQ(image.tileCount, uint32_t(c.columns * c.rows));
        char name[kTileNameCapacity];
        TileTextureName(c.columns * c.rows - 1, name);
        EXPECT_EQ(TileSize(name), c.lastTile);
    }
}

TEST_F(PanoramaLoading, SampleSplitsIntoTwoTilesWithTheRightEndFirst)
{
    const std::vector<uint8_t> jpeg = Sample(2605, 635);
    ASSERT_TRUE(Load(jpeg));
    EXPECT_EQ(image_.imageWidth, 2605u);
    EXPECT_EQ(image_.imageHeight, 635u);
    EXPECT_EQ(image_.tileCount, 2u);
    EXPECT_EQ(TileSize("panotexture1"), "1302x635");
    EXPECT_EQ(TileSize("panotexture2"), "1303x635");
    // "panotexture2" starts with image column 0, "panotexture1" with column 1303.
    const Decoded reference = Reference(jpeg);
    const uint8_t* column1303 = &reference.pixels[1303 * 3];
    EXPECT_EQ(FindNamedTexture("panotexture2")->pixelBuffer[0] >> 8,
              uint32_t{reference.pixels[0]} << 16 | uint32_t{reference.pixels[1]} << 8 |
                  reference.pixels[2]);
    EXPECT_EQ(FindNamedTexture("panotexture1")->pixelBuffer[0] >> 8,
              uint32_t{column1303[0]} << 16 | uint32_t{column1303[1]} << 8 | column1303[2]);
    ExpectMatchesReference(reference, 7);
}

TEST_F(PanoramaLoading, FourByTwoGridKeepsEveryPixelInPlace)
{
    const std::vector<uint8_t> jpeg = Sample(4099, 2051);
    ASSERT_TRUE(Load(jpeg));
    EXPECT_EQ(image_.tileColumns, 4);
    EXPECT_EQ(image_.tileRows, 2);
    EXPECT_EQ(TileSize("panotexture4"), "1027x1025");  // leftmost image columns
    EXPECT_EQ(TileSize("panotexture8"), "1027x1026");
    EXPECT_EQ(TileSize("panotexture1"), "1024x1025");
    ExpectMatchesReference(Reference(jpeg), 3);
}

TEST_F(PanoramaLoading, ProgressiveDecodesLikeBaseline)
{
    JpegEncodeOptions progressive;
    progressive.progressive = true;
    const std::vector<uint8_t> jpeg = Sample(2100, 300, progressive);
    ASSERT_TRUE(Load(jpeg));
    EXPECT_EQ(image_.tileColumns, 2);
    ExpectMatchesReference(Reference(jpeg), 5);
}

TEST_F(PanoramaLoading, GreyBecomesEqualRedGreenBlue)
{
    JpegEncodeOptions grey;
    grey.colour = JpegColour::Grey;
    const std::vector<uint8_t> jpeg = Sample(300, 100, grey);
    ASSERT_TRUE(Load(jpeg));
    const Decoded reference = Reference(jpeg);
    ASSERT_EQ(reference.info.components, 1);
    for (uint32_t i = 0; i < 300 * 100; i += 37) {
        const uint32_t g = reference.pixels[i];
        EXPECT_EQ(image_.tilePixels[0][i], g << 24 | g << 16 | g << 8 | 0xFF) << i;
    }
}

TEST_F(PanoramaLoading, FourComponentsAreScaledByTheFourth)
{
    std::vector<uint8_t> cmyk(64 * 16 * 4);
    for (size_t i = 0; i < cmyk.size(); i += 4) {
        cmyk[i] = 200;
        cmyk[i + 1] = 100;
        cmyk[i + 2] = 30;
        cmyk[i + 3] = static_cast<uint8_t>(i < cmyk.size() / 2 ? 128 : 255);
    }
    JpegEncodeOptions options;
    options.colour = JpegColour::Cmyk;
    options.quality = 100;
    std::vector<uint8_t> jpeg;
    ASSERT_TRUE(EncodeJpeg(cmyk.data(), 64, 16, options, jpeg));
    ASSERT_TRUE(Load(jpeg));
    const Decoded reference = Reference(jpeg);
    ASSERT_EQ(reference.info.components, 4);
    for (uint32_t i = 0; i < 64 * 16; ++i) {
        const uint8_t* c = &reference.pixels[i * 4];
        const uint32_t r = c[0] * c[3] / 255, g = c[1] * c[3] / 255, b = c[2] * c[3] / 255;
        ASSERT_EQ(image_.tilePixels[0][i], r << 24 | g << 16 | b << 8 | 0xFF) << i;
    }
    EXPECT_NEAR(image_.tilePixels[0][0] >> 24, 200 * 128 / 255, 2);
}

// A failure says why, in words the stage trace can carry.
TEST_F(PanoramaLoading, FailuresComeWithTheirReason)
{
    TempFile exe(WithStub(Sample(64, 32)));
    const uint64_t limit = ImageMemoryLimit(kLargeAddressSpace);
    struct Case {
        const char* label;
        const char* path;
        int32_t offset;
        uint64_t limit;
        const char* reason;
    };
    // -1 (no image record) and 0 (unreadable) both decode from the file's start.
    const Case cases[] = {
        {"no image record", exe.CPath(), -1, limit, "Not a JPEG file: starts with 0x"},
        {"offset 0", exe.CPath(), 0, limit, "Not a JPEG file: starts with 0x"},
        {"inside the image", exe.CPath(), kStubSize + 1, limit, "Not a JPEG file: starts with 0x"},
        {"no file", "/no/such/file.exe", 0, limit, "cannot open the program's own file"},
        {"over the memory limit", exe.CPath(), kStubSize, 1000,
         "the image, 64 x 32, needs more memory than the 1000 bytes allowed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const PanoramaLoad load = LoadPanorama(image_, c.path, c.offset, c.limit);
        EXPECT_FALSE(load.loaded);
        EXPECT_EQ(std::string(load.reason).rfind(c.reason, 0), 0u) << load.reason;
        EXPECT_EQ(namedTextureList, nullptr);
    }
}

TEST_F(PanoramaLoading, TruncatedFiles)
{
    const std::vector<uint8_t> jpeg = Sample(300, 200);
    // Cut inside the header: an error.
    EXPECT_FALSE(Load(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + 100)));
    EXPECT_EQ(namedTextureList, nullptr);
    // Cut inside the picture data: the library warns, fills in the rest and
    // decoding goes on.
    EXPECT_TRUE(Load(std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)));
    EXPECT_EQ(image_.imageHeight, 200u);
}

TEST(ImageMemory, CountsTheSurfacesAsTheDeviceMakesThemAgainstHalfTheAddressSpace)
{
    // Tiles, two copies of each power-of-two surface and the largest tile's
    // staging surface, worked out by hand; with mip levels two copies of
    // every tile's power-of-two chain and the staging chain of the largest.
    struct Case {
        uint32_t width, height;
        uint64_t mebibytes;
        bool fitsIn2GiB, fitsIn4GiB;
        uint64_t withLevels;
    };
    const Case cases[] = {
        {2605, 635, 41, true, true, 53},           // the harbour: 2048 x 1024 surfaces
        {8192, 4096, 400, true, true, 362},        // surfaces as large as the tiles
        {16384, 8192, 1600, false, true, 1450},    // likewise, the largest such sphere
        {16384, 8193, 2112, false, false, 2218},   // one row more: the lower tiles double
        {11469, 5734, 1306, false, true, 1450},    // 2867 x 2867 tiles on 4096 x 4096
        {30000, 3000, 1410, false, true, 1450},    // 7500 x 1500 tiles on 8192 x 2048
        {60000, 6000, 5640, false, false, 5802},   // 15000 x 3000 tiles on 16384 x 4096
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const uint64_t cost = ImageMemoryCost(c.width, c.height);
        EXPECT_EQ(cost >> 20, c.mebibytes);
        EXPECT_EQ(cost <= ImageMemoryLimit(uint64_t{1} << 31), c.fitsIn2GiB);
        EXPECT_EQ(cost <= ImageMemoryLimit(kLargeAddressSpace), c.fitsIn4GiB);
        EXPECT_EQ(ImageMemoryCost(c.width, c.height, true) >> 20, c.withLevels);
    }
    // What the system reports for 32-bit programs, without and with large
    // addresses, and for a 64-bit one.
    EXPECT_EQ(ImageMemoryLimit(0x7FFE0000 - 0x10000) >> 20, 1024u);
    EXPECT_EQ(ImageMemoryLimit(0xFFFE0000 - 0x10000) >> 20, 2048u);
    EXPECT_EQ(ImageMemoryLimit(uint64_t{1} << 47) >> 20, 2048u);
}

TEST_F(PanoramaLoading, ImagesBeyondTheMemoryLimitAreRefusedBeforeAllocating)
{
    const std::vector<uint8_t> jpeg = Sample(400, 100);
    const uint64_t cost = ImageMemoryCost(400, 100);
    EXPECT_FALSE(Load(jpeg, cost - 1));
    EXPECT_EQ(namedTextureList, nullptr);
    EXPECT_TRUE(Load(jpeg, cost));

    // A header that claims 65000 x 65000 pixels: 16 GB of tiles.
    DestroyAllNamedTextures();
    EXPECT_FALSE(Load(ClaimingSize(jpeg, 65000, 65000)));
    EXPECT_EQ(namedTextureList, nullptr);

    // Decoded smaller, a progressive file still holds its coefficients at
    // full size: 8 GB here.
    options_.features = kKnownFeatures;
    EXPECT_FALSE(Load(ClaimingSize(Sample(64, 64, {.progressive = true}), 65000, 65000)));
    EXPECT_EQ(namedTextureList, nullptr);
}

TEST(ImageMemory, PlansMipLevelsAndSmallerScalesOnlyWhenAskedForAndFull)
{
    const ViewerOptions levels{FEATURE_MIP_LEVELS};
    const ViewerOptions all{kKnownFeatures};
    const uint64_t limit = ImageMemoryLimit(kLargeAddressSpace);
    const uint64_t gib = uint64_t{1} << 30;
    struct Case {
        uint32_t width, height;
        uint64_t decoderBytes;
        ViewerOptions options;
        ImageBudget budget;
        bool fits, mipLevels;
        uint32_t scale, shownWidth, shownHeight;
    };
    const Case cases[] = {
        {16384, 8192, 0, levels, limit, true, true, 8, 16384, 8192},
        {16384, 8192, 0, {}, limit, true, false, 8, 16384, 8192},
        {16388, 4097, 0, levels, limit, true, false, 8, 16388, 4097},  // 2218 MiB with levels
        {16384, 8192, 0, levels, limit / 2, false, false, 8, 16384, 8192},
        {16384, 8192, 0, all, limit / 2, true, true, 4, 8192, 4096},  // 7/8 to 5/8: 4096 x 4096 surfaces
        {32768, 16384, 0, all, limit, true, true, 4, 16384, 8192},
        {40000, 4000, 0, all, limit, true, true, 6, 30000, 3000},
        {65535, 65535, 0, all, limit, true, true, 1, 8192, 8192},
        // A progressive file's coefficients stay at full size whatever the scale.
        {32768, 16384, 3 * gib / 2 + 1, all, limit, true, true, 3, 12288, 6144},
        {32768, 16384, 2 * gib + 1, all, limit, false, false, 8, 32768, 16384},
        // A budget's widest image: the largest scale no wider, else 1/8.
        {16384, 8192, 0, all, {limit, 2048}, true, true, 1, 2048, 1024},
        {2605, 635, 0, all, {limit, 2048}, true, true, 6, 1954, 477},
        {2000, 1000, 0, all, {limit, 2048}, true, true, 8, 2000, 1000},
        {40000, 4000, 0, all, {limit, 2048}, true, true, 1, 5000, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const ImageLoadPlan plan = PlanImageLoad(c.width, c.height, c.decoderBytes, c.options, c.budget);
        EXPECT_EQ(plan.fits, c.fits);
        EXPECT_EQ(plan.mipLevels, c.mipLevels);
        EXPECT_EQ(plan.scale, c.scale);
        EXPECT_EQ(plan.width, c.shownWidth);
        EXPECT_EQ(plan.height, c.shownHeight);
    }
}

TEST_F(PanoramaLoading, AnImageOverTheLimitIsDecodedAtTheLargestScaleThatFits)
{
    const std::vector<uint8_t> jpeg = Sample(2605, 635);
    const uint64_t limit = ImageMemoryCost(ScaledSide(2605, 6), ScaledSide(635, 6));
    ASSERT_GT(ImageMemoryCost(ScaledSide(2605, 7), ScaledSide(635, 7)), limit);
    EXPECT_FALSE(Load(jpeg, limit)) << "refused as described";
    options_.features = FEATURE_SCALED_DECODE;
    ASSERT_TRUE(Load(jpeg, limit));
    EXPECT_EQ(image_.imageWidth, 1954u);
    EXPECT_EQ(image_.imageHeight, 477u);
}

TEST_F(PanoramaLoading, AProgressiveFileThatFitsOnlyAloneNeedsRoomAndNothingElseDoes)
{
    // 4096 x 2048 at 2 x 2 subsampling: 24 MiB of coefficients.
    const std::vector<uint8_t> progressive =
        ClaimingSize(Sample(64, 64, {.progressive = true}), 4096, 2048);
    const std::vector<uint8_t> baseline = Sample(4096, 2048);
    const uint64_t mib = uint64_t{1} << 20;
    struct Case {
        const std::vector<uint8_t>& jpeg;
        uint64_t memory, alone;
        bool loaded, needsRoom;
    };
    const Case cases[] = {
        {progressive, 20 * mib, 200 * mib, false, true},
        {progressive, 20 * mib, 20 * mib, false, false},  // a load on its own
        {progressive, 20 * mib, 22 * mib, false, false},  // not even alone
        {baseline, 20 * mib, 200 * mib, true, false},     // decoded smaller instead
    };
    options_.features = kKnownFeatures;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.memory / mib) + " MiB, " + std::to_string(c.alone / mib));
        DestroyAllNamedTextures();
        ImageBudget budget(c.memory);
        budget.memoryAlone = c.alone;
        TempFile exe(WithStub(c.jpeg));
        const PanoramaLoad load = LoadPanorama(image_, exe.CPath(), kStubSize, budget, options_);
        EXPECT_EQ(load.loaded, c.loaded) << load.reason;
        EXPECT_EQ(load.needsRoom, c.needsRoom);
    }
}

TEST_F(PanoramaLoading, MipLevelsGiveEveryTileAPowerOfTwoChain)
{
    options_.features = FEATURE_MIP_LEVELS;
    ASSERT_TRUE(Load(Sample(2605, 635)));
    ASSERT_TRUE(image_.mipLevels);
    for (const NamedTexture* tile = namedTextureList; tile; tile = tile->next) {
        EXPECT_EQ(tile->width, 2048u) << tile->name;
        EXPECT_EQ(tile->height, 1024u) << tile->name;
        EXPECT_EQ(tile->mipLevelCount, 11u) << tile->name;
    }
    EXPECT_EQ(image_.tilePixels[0], FindNamedTexture("panotexture1")->pixelBuffer);
}

namespace {

// A tile's bottom row, its mip level count and each level's first word.
std::vector<uint64_t> TileContents(uint32_t k)
{
    const NamedTexture* tile = FindTileTexture(PanoramaImage{}, k);
    const uint32_t* bottom = tile->pixelBuffer + size_t{tile->width} * (tile->height - 1);
    std::vector<uint64_t> words(bottom, bottom + tile->width);
    words.push_back(tile->mipLevelCount);
    for (uint32_t level = 0; level < tile->mipLevelCount; ++level) {
        words.push_back(tile->mipPixels[level][0]);
    }
    return words;
}

// What each tile held when the decode handed it over, and what the last
// tile held then.
struct TileRecorder : TileProgress {
    explicit TileRecorder(uint32_t tiles) : tiles(tiles) {}
    void TilesReady(uint32_t count) override
    {
        counts.push_back(count);
        if (count > 0) {
            handedOver.push_back(TileContents(count - 1));
            lastTile.push_back(TileContents(tiles - 1));
        }
    }
    const uint32_t tiles;
    std::vector<uint32_t> counts;
    std::vector<std::vector<uint64_t>> handedOver, lastTile;
};

}  // namespace

TEST_F(PanoramaLoading, TilesAreHandedOverFinalInOrderTheUpperRowBeforeTheEnd)
{
    struct Case {
        uint32_t width, height, features, tiles, upperRow;
    };
    const Case cases[] = {
        {4100, 2100, 0, 8, 4},
        {4100, 2100, FEATURE_MIP_LEVELS, 8, 4},
        {2605, 635, FEATURE_MIP_LEVELS, 2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " features " + std::to_string(c.features));
        options_.features = c.features;
        TempFile exe(WithStub(Sample(c.width, c.height)));
        TileRecorder recorder(c.tiles);
        ASSERT_TRUE(LoadPanorama(image_, exe.CPath(), kStubSize, ImageMemoryLimit(kLargeAddressSpace),
                                 options_, &recorder).loaded);
        std::vector<uint32_t> counts{0};
        std::vector<std::vector<uint64_t>> finals;
        for (uint32_t k = 0; k < c.tiles; ++k) {
            finals.push_back(TileContents(k));
            counts.push_back(k + 1);
        }
        EXPECT_EQ(recorder.counts, counts);
        EXPECT_EQ(recorder.handedOver, finals);
        for (uint32_t k = 0; k < c.upperRow; ++k) {
            EXPECT_NE(recorder.lastTile[k], finals.back()) << "tile " << k << " waited for the lower row";
        }
        DestroyAllNamedTextures();
    }
}

namespace {

// Cancels the decode once `after` tiles are final.
struct Canceller : TileProgress {
    explicit Canceller(uint32_t after) : after(after) {}
    void TilesReady(uint32_t count) override { ready = count; }
    bool Cancelled() const override { return ready >= static_cast<int64_t>(after); }
    const uint32_t after;
    int64_t ready = -1;
};

size_t NamedTextureCount()
{
    size_t count = 0;
    for (const NamedTexture* t = namedTextureList; t; t = t->next) {
        ++count;
    }
    return count;
}

}  // namespace

TEST_F(PanoramaLoading, ACancelledLoadEndsAndItsTilesGoWithoutTouchingTheOtherPanoramas)
{
    options_.features = FEATURE_MIP_LEVELS;
    TempFile exe(WithStub(Sample(4100, 2100)));
    PanoramaImage shown;  // a panorama on screen beside the one cancelled
    ASSERT_TRUE(LoadPanorama(shown, exe.CPath(), kStubSize, ImageMemoryLimit(kLargeAddressSpace),
                             options_).loaded);
    for (const uint32_t after : {0u, 1u, 4u, 7u}) {
        SCOPED_TRACE(after);
        image_.firstTile = kMaxTiles;
        Canceller canceller(after);
        const PanoramaLoad load = LoadPanorama(image_, exe.CPath(), kStubSize,
                                               ImageMemoryLimit(kLargeAddressSpace), options_,
                                               &canceller);
        EXPECT_FALSE(load.loaded);
        EXPECT_STREQ(load.reason, "cancelled");
        DestroyTileTextures(image_);
        EXPECT_EQ(NamedTextureCount(), 8u) << "only the shown panorama's tiles are left";
        EXPECT_EQ(image_.tileCount, 0u);
    }
    // A progressive file is read whole before its first row: cancelled
    // from the start, it ends before any tile exists.
    TestJpegLayout progressive;
    progressive.progressive = true;
    TempFile slow(WithStub(MakePatternJpeg(1024, 512, progressive)));
    Canceller atOnce(0);
    atOnce.ready = 0;
    const PanoramaLoad early = LoadPanorama(image_, slow.CPath(), kStubSize,
                                            ImageMemoryLimit(kLargeAddressSpace), options_, &atOnce);
    EXPECT_STREQ(early.reason, "cancelled");
    EXPECT_EQ(NamedTextureCount(), 8u);

    ASSERT_TRUE(LoadPanorama(image_, exe.CPath(), kStubSize, ImageMemoryLimit(kLargeAddressSpace),
                             options_).loaded);
    EXPECT_EQ(NamedTextureCount(), 16u);
    EXPECT_NE(FindNamedTexture("panotexture16"), nullptr);
    DestroyTileTextures(image_);
    EXPECT_EQ(FindNamedTexture("panotexture9"), nullptr);
    EXPECT_NE(FindTileTexture(shown, 7), nullptr);
}
