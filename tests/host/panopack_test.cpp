#include "tools/panopack/panopack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>

#include "package/payload.h"
#include "fake_stub.h"
#include "temp_file.h"
#include "test_jpeg.h"
#include "tools/panopack/pack_options.h"

namespace {

struct Result {
    int code;
    std::string out, err;
};

Result RunPacker(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int code = RunPanopack(args, out, err);
    return {code, out.str(), err.str()};
}

class Packer : public ::testing::Test {
protected:
    TempFile stub_{FakeStub()};
    TempFile image_{MakeTestJpeg(260, 64)};
    TempFile output_;

    Result Create(std::vector<std::string> options)
    {
        std::vector<std::string> args = {"create", "--stub", stub_.Path(), "--image",
                                         image_.Path(), "-o", output_.Path()};
        args.insert(args.end(), options.begin(), options.end());
        return RunPacker(args);
    }
};

PanoSettings Derive(std::vector<std::string> args, uint32_t width, uint32_t height)
{
    args.insert(args.end(), {"--stub", "s", "--image", "i", "-o", "o"});
    PackOptions options;
    std::string error;
    EXPECT_TRUE(ParsePackOptions(args, options, error)) << error;
    PanoSettings settings{};
    JpegInfo image;
    image.width = width;
    image.height = height;
    image.components = 3;
    EXPECT_TRUE(MakePanoSettings(options, image, settings, error)) << error;
    return settings;
}

}  // namespace

TEST_F(Packer, CreateThenReadBackWithThePayloadReaders)
{
    const Result r = Create({"--title", "Harbour at dusk", "--hfov", "90", "--pan", "40",
                             "--text-color", "0xFF8000", "--screensaver", "--idle-delay", "3"});
    ASSERT_EQ(r.code, 0) << r.err;

    const std::vector<uint8_t> packed = ReadFileBytes(output_.Path());
    const auto offset = ReadStubPayloadOffset(packed.data(), packed.size());
    ASSERT_EQ(offset, FakeStub().size());

    const auto settings = ReadPanoSettings(output_.CPath(), *offset);
    ASSERT_NE(settings, nullptr);
    EXPECT_STREQ(settings->title, "Harbour at dusk");
    EXPECT_EQ(settings->panMin, 0.0);
    EXPECT_EQ(settings->panMax, 90.0);
    EXPECT_EQ(settings->initialPan, 40.0);
    EXPECT_EQ(settings->textColor, 0xFF8000);
    EXPECT_EQ(settings->screensaver, 1);
    EXPECT_EQ(settings->startFullscreen, 0);
    EXPECT_EQ(settings->idleDelay, 3.0);
    EXPECT_EQ(settings->panWraps, 0);

    const std::vector<uint8_t> jpeg = ReadFileBytes(image_.Path());
    const int32_t imageOffset = FindPanoImage(output_.CPath(), *offset);
    ASSERT_GT(imageOffset, 0);
    ASSERT_LE(imageOffset + jpeg.size(), packed.size());
    EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), packed.begin() + imageOffset));
}

TEST_F(Packer, InfoPrintsRecordsAndSettings)
{
    ASSERT_EQ(Create({"--title", "Bay", "--fullscreen"}).code, 0);
    const Result r = RunPacker({"info", output_.Path()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("record type 0 (image)"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("record type 1 (settings): 688 bytes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("image: 260 x 64, 3 components"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("title:           \"Bay\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("full screen:     yes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("pan:             0 to 360 deg"), std::string::npos) << r.out;
}

TEST_F(Packer, ExtractGivesBackTheImage)
{
    ASSERT_EQ(Create({}).code, 0);
    TempFile extracted;
    const Result r = RunPacker({"extract", output_.Path(), "-o", extracted.Path()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(extracted.Path()), ReadFileBytes(image_.Path()));
}

TEST_F(Packer, CreateOnAPackedExecutableReplacesThePayload)
{
    ASSERT_EQ(Create({"--title", "old"}).code, 0);
    const size_t firstSize = ReadFileBytes(output_.Path()).size();
    TempFile repacked;
    const Result r = RunPacker({"create", "--stub", output_.Path(), "--image", image_.Path(), "-o",
                          repacked.Path(), "--title", "new"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(repacked.Path()).size(), firstSize);
    const auto settings = ReadPanoSettings(repacked.CPath(), FakeStub().size());
    ASSERT_NE(settings, nullptr);
    EXPECT_STREQ(settings->title, "new");
}

TEST_F(Packer, RefusalsNameTheOptionAndWriteNothing)
{
    struct Case {
        std::vector<std::string> options;
        const char* message;
    };
    const Case cases[] = {
        {{"--fov-min", "nan"}, "--fov-min needs a finite number"},
        {{"--pan", "inf"}, "--pan needs a finite number"},
        {{"--pan-min", "10", "--pan-max", "10"}, "--pan-max 10 must be greater than --pan-min 10"},
        {{"--pan-min", "0", "--pan-max", "400"}, "pan extent"},
        {{"--hfov", "0"}, "--hfov 0 is outside (0, 360]"},
        {{"--tilt-min", "5", "--tilt-max", "-5"}, "--tilt-max -5 must be greater than --tilt-min 5"},
        {{"--projection", "sphere", "--tilt-min", "-100", "--tilt-max", "90"}, "--tilt-min -100"},
        {{"--projection", "sphere", "--pan-max", "720"}, "pan extent"},
        {{"--fov-min", "0"}, "--fov-min 0 is outside (0, 180)"},
        {{"--fov-max", "180"}, "--fov-max 180 is outside (0, 180)"},
        {{"--fov-min", "60", "--fov-max", "50"}, "--fov-max 50 must not be below --fov-min 60"},
        {{"--title", std::string(512, 't')}, "--title is 512 bytes; at most 511 fit"},
        {{"--text-color", "red"}, "--text-color needs a colour"},
        {{"--projection", "cube"}, "--projection must be cylinder or sphere"},
        {{"--window-width", "10"}, "--window-width 10 is outside [64, 16384]"},
        {{"--frobnicate", "1"}, "unknown option --frobnicate"},
        {{"--title"}, "--title needs a value"},
    };
    WriteFileBytes(output_.Path(), {'o', 'l', 'd'});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const Result r = Create(c.options);
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(ReadFileBytes(output_.Path()), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
}

TEST_F(Packer, RefusesInputsThatAreNotWhatTheyClaim)
{
    TempFile notJpeg(std::vector<uint8_t>(100, 'x'));
    Result r = RunPacker({"create", "--stub", stub_.Path(), "--image", notJpeg.Path(), "-o",
                    output_.Path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("not a JPEG image"), std::string::npos) << r.err;

    TempFile plainFile(std::vector<uint8_t>(100, 'x'));
    r = RunPacker({"create", "--stub", plainFile.Path(), "--image", image_.Path(), "-o", output_.Path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("not a panorama viewer executable"), std::string::npos) << r.err;

    r = RunPacker({"info", stub_.Path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no payload"), std::string::npos) << r.err;

    EXPECT_EQ(RunPacker({}).code, 2);
    EXPECT_EQ(ReadFileBytes(output_.Path()).size(), 0u);
}

TEST(PackerDefaults, CylinderExtentFollowsTheImageAspect)
{
    // The sample: 2605 x 635 pixels over 60.21178439798647 degrees.
    const PanoSettings s = Derive({"--hfov", "60.21178439798647"}, 2605, 635);
    EXPECT_EQ(s.panMin, 0.0);
    EXPECT_EQ(s.panMax, 60.21178439798647);
    EXPECT_NEAR(s.tiltMin, -7.298931280803325, 1e-6);
    EXPECT_NEAR(s.tiltMax, 7.298931280803325, 1e-6);
    EXPECT_NEAR(s.initialPan, 30.105892198993235, 1e-12);
    EXPECT_EQ(s.initialTilt, 0.0);
    EXPECT_EQ(s.panWraps, 0);
    EXPECT_EQ(s.spherical, 0);
}

TEST(PackerDefaults, OneGivenTiltLimitKeepsTheExtentConsistent)
{
    const PanoSettings s = Derive({"--hfov", "90", "--tilt-max", "10"}, 1000, 200);
    const double toRad = 3.14159265358979323846 / 180;
    EXPECT_EQ(s.tiltMax, 10.0);
    EXPECT_NEAR(std::tan(s.tiltMax * toRad) - std::tan(s.tiltMin * toRad), 0.2 * 90 * toRad, 1e-12);
}

TEST(PackerDefaults, FullCircleWrapsAndSphereCoversEverything)
{
    const PanoSettings cylinder = Derive({}, 4000, 500);
    EXPECT_EQ(cylinder.panMax, 360.0);
    EXPECT_EQ(cylinder.panWraps, 1);

    const PanoSettings sphere = Derive({"--projection", "sphere"}, 4096, 2048);
    EXPECT_EQ(sphere.spherical, 1);
    EXPECT_EQ(sphere.panMin, 0.0);
    EXPECT_EQ(sphere.panMax, 360.0);
    EXPECT_EQ(sphere.tiltMin, -90.0);
    EXPECT_EQ(sphere.tiltMax, 90.0);
    EXPECT_EQ(sphere.panWraps, 1);
    EXPECT_GE(sphere.initialFov, sphere.fovMin);
    EXPECT_LE(sphere.initialFov, sphere.fovMax);
}
