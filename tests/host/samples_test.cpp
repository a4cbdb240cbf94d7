// The build's sample panoramas, packed with their own options, give the
// sample viewer's settings and load the right way round.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "display/named_texture.h"
#include "fake_stub.h"
#include "package/payload.h"
#include "temp_file.h"
#include "tools/panopack/panopack.h"
#include "tools/samplegen/sample_pattern.h"
#include "viewer/image_memory.h"
#include "viewer/panorama_image.h"

namespace {

const std::string kSamples = PANO_SAMPLES_DIR;

std::vector<std::string> ReadOptions(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> options;
    for (std::string line; std::getline(in, line);) {
        options.push_back(line);
    }
    return options;
}

// Packs a sample into a fake stub; returns the packed file's settings.
std::unique_ptr<PanoSettings> Pack(const std::string& name, const TempFile& stub,
                                   const TempFile& out)
{
    std::vector<std::string> args = {"create", "--stub", stub.Path(), "--image",
                                      kSamples + "/" + name + ".jpg", "-o", out.Path()};
    const std::vector<std::string> options = ReadOptions(kSamples + "/" + name + ".args");
    EXPECT_FALSE(options.empty());
    args.insert(args.end(), options.begin(), options.end());
    std::ostringstream messages;
    EXPECT_EQ(RunPanopack(args, messages, messages), 0) << messages.str();
    return ReadPanoSettings(out.CPath(), static_cast<uint32_t>(FakeStub().size()));
}

void ExpectNearColour(uint32_t word, const Rgb& expected, int tolerance)
{
    EXPECT_NEAR(int(word >> 24), expected.r, tolerance) << std::hex << word;
    EXPECT_NEAR(int((word >> 16) & 0xFF), expected.g, tolerance) << std::hex << word;
    EXPECT_NEAR(int((word >> 8) & 0xFF), expected.b, tolerance) << std::hex << word;
}

}  // namespace

TEST(Samples, HarbourCarriesTheSampleViewersSettings)
{
    TempFile stub(FakeStub()), out;
    const auto s = Pack("harbour", stub, out);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->windowWidth, 800);
    EXPECT_EQ(s->windowHeight, 400);
    EXPECT_EQ(s->panMin, 0.0);
    EXPECT_EQ(s->panMax, 60.21178439798647);
    EXPECT_EQ(s->tiltMin, -7.298931280803325);
    EXPECT_EQ(s->tiltMax, 7.298931280803325);
    EXPECT_EQ(s->fovMin, 5.0);
    EXPECT_EQ(s->fovMax, 165.0);
    EXPECT_EQ(s->initialPan, 30.105892198993235);
    EXPECT_EQ(s->initialTilt, 0.0);
    EXPECT_EQ(s->initialFov, 21.896793842409977);
    EXPECT_EQ(s->spherical, 0);
    EXPECT_EQ(s->inertiaTime, 0.5);
    EXPECT_EQ(s->dragSpeed, 1.0);
    EXPECT_EQ(s->textColor, 0xFFFFFF);
    EXPECT_EQ(s->shadowColor, 0);
    EXPECT_EQ(s->autoMotion, 1);
    EXPECT_EQ(s->autoPanSpeed, 2.0);
    EXPECT_EQ(s->autoTiltSpeed, 0.0);
    EXPECT_EQ(s->autoZoomFactor, 1.0);
    EXPECT_EQ(s->idleDelay, 5.0);
    EXPECT_EQ(s->panWraps, 0);
    EXPECT_EQ(s->title[0], '\0');
    EXPECT_EQ(s->startFullscreen, 0);
    // The extent is consistent with the image: tan(tiltMax) - tan(tiltMin)
    // equals the image's aspect times the pan extent, both 0.25617.
    const double toRad = 3.14159265358979323846 / 180;
    EXPECT_NEAR(std::tan(s->tiltMax * toRad) - std::tan(s->tiltMin * toRad),
                635.0 / 2605 * s->panMax * toRad, 1e-9);
}

TEST(Samples, HarbourLoadsTheRightWayRound)
{
    DestroyAllNamedTextures();
    TempFile stub(FakeStub()), out;
    ASSERT_NE(Pack("harbour", stub, out), nullptr);
    const int32_t offset = FindPanoImage(out.CPath(), static_cast<uint32_t>(FakeStub().size()));
    PanoramaImage image;
    ASSERT_TRUE(LoadPanorama(image, out.CPath(), offset, ImageMemoryLimit(kLargeAddressSpace)).loaded);
    ASSERT_EQ(image.tileColumns, 2);
    const NamedTexture* left = FindNamedTexture("panotexture2");   // image columns 0 to 1302
    const NamedTexture* right = FindNamedTexture("panotexture1");  // image columns 1303 to 2604
    ASSERT_TRUE(left && right);
    const uint32_t skyRow = 635 / 5, groundRow = 635 * 4 / 5;
    // Sector 0 (red) at the image's left edge, sector 7 (magenta) at its
    // right; light sky above dark ground.
    const auto at = [](const NamedTexture* t, uint32_t x, uint32_t y) {
        return t->pixelBuffer[size_t{y} * t->width + x];
    };
    ExpectNearColour(at(left, 40, skyRow), SampleColour(40.5 / 2605, (skyRow + 0.5) / 635, false), 12);
    ExpectNearColour(at(right, right->width - 40, skyRow),
                     SampleColour((2605 - 39.5) / 2605, (skyRow + 0.5) / 635, false), 12);
    ExpectNearColour(at(left, 40, groundRow),
                     SampleColour(40.5 / 2605, (groundRow + 0.5) / 635, false), 12);
    DestroyAllNamedTextures();
}

TEST(Samples, SphereIsAFullSphere)
{
    TempFile stub(FakeStub()), out;
    const auto s = Pack("sphere", stub, out);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->spherical, 1);
    EXPECT_EQ(s->panMax - s->panMin, 360.0);
    EXPECT_EQ(s->tiltMin, -90.0);
    EXPECT_EQ(s->tiltMax, 90.0);
    EXPECT_STREQ(s->title, "Sample sphere");
}
