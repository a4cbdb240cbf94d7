// The packer's commands on real files: create, info and extract, refusals that write nothing,
// screensaver outputs, the viewer it carries, and the default extent of a panorama.
#include "tools/panopack/panopack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "package/payload.h"
#include "fake_stub.h"
#include "run_packer.h"
#include "temp_file.h"
#include "test_jpeg.h"
#include "tools/panopack/pack_options.h"

namespace {

class Packer : public ::testing::Test {
protected:
    TempFile stub_{FakeStub()};
    TempFile image_{MakeTestJpeg(260, 64)};
    TempFile output_;

    Result Create(const std::vector<std::string>& options)
    {
        return RunCreate(stub_.Path(), image_.Path(), output_.Path(), options);
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
    EXPECT_NE(r.out.find("memory when shown: 0 MiB with mip levels; the viewer allows 2048 MiB on "
                         "64-bit Windows, 1024 MiB on 32-bit Windows"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("title:           \"Bay\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("full screen:     yes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("pan:             0 to 360 deg"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("record type 2 (options): 24 bytes"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("mip levels:      yes"), std::string::npos) << r.out;
}

TEST_F(Packer, ImagesOverTheLimitShowSmallerUnlessTheirCoefficientsAloneAreTooMuch)
{
    TestJpegLayout layout;
    const auto claimHugeImage = [&] {
        const std::vector<uint8_t> jpeg = ClaimingSize(MakePatternJpeg(64, 64, layout), 65000, 65000);
        std::ofstream(image_.Path(), std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    };
    claimHugeImage();
    Result r = Create({});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("shown at 8125 x 8125 of 65000 x 65000: the full size needs "),
              std::string::npos)
        << r.out;
    r = Create({"--no-options"});  // the viewer refuses it, as it always did
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.find("shown at"), std::string::npos) << r.out;

    layout.progressive = true;
    claimHugeImage();
    std::filesystem::remove(output_.Path());
    r = Create({});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("too large to show at any scale: a progressive JPEG whose coefficients "
                         "alone take"),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(output_.Path()));
}

TEST_F(Packer, OptionsRecordByDefaultAndNoneOnRequest)
{
    const uint32_t offset = static_cast<uint32_t>(FakeStub().size());
    ASSERT_EQ(Create({}).code, 0);
    EXPECT_EQ(ReadViewerOptions(output_.CPath(), offset).features, kKnownFeatures);
    EXPECT_EQ(ReadViewerOptions(output_.CPath(), offset).monitors, MonitorUse::Black);
    ASSERT_EQ(Create({"--monitors", "span"}).code, 0);
    EXPECT_EQ(ReadViewerOptions(output_.CPath(), offset).monitors, MonitorUse::Span);
    Result r = RunPacker({"info", output_.Path()});
    EXPECT_NE(r.out.find("  monitors:        span\n"), std::string::npos) << r.out;
    ASSERT_EQ(Create({"--no-options", "--monitors", "primary"}).code, 0);
    EXPECT_EQ(ReadViewerOptions(output_.CPath(), offset).features, 0u);
    r = RunPacker({"info", output_.Path()});
    EXPECT_EQ(r.out.find("record type 2"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("options: none"), std::string::npos) << r.out;
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
        {{"--monitors", "all"}, "--monitors must be black, span or primary"},
        {{"--monitors", "span", "--no-options"}, "--monitors span needs the options record"},
        {{"--window-width", "10"}, "--window-width 10 is outside [64, 16384]"},
        {{"--slide-time", "0"}, "--slide-time needs seconds from 0.001 to 86400, or turn"},
        {{"--fade-time", "61"}, "--fade-time needs seconds from 0 to 60"},
        {{"--order", "random"}, "--order must be given or shuffled"},
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

TEST_F(Packer, WithoutStubItPacksIntoTheViewerOfItsBuild)
{
    // This test program's default viewer lives at PANO_VIEWER_STUB.
    std::vector<uint8_t> viewer = FakeStub();
    viewer[0] = 'D';
    WriteFileBytes(PANO_VIEWER_STUB, viewer);
    Result r = RunPacker({"create", "--image", image_.Path(), "-o", output_.Path()});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<uint8_t> packed = ReadFileBytes(output_.Path());
    ASSERT_GT(packed.size(), viewer.size());
    EXPECT_TRUE(std::equal(viewer.begin(), viewer.end(), packed.begin()));

    std::filesystem::remove(PANO_VIEWER_STUB);
    WriteFileBytes(output_.Path(), {'o', 'l', 'd'});
    r = RunPacker({"create", "--image", image_.Path(), "-o", output_.Path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, std::string("panopack: no --stub given and the viewer this packer was built for "
                                 "is missing (") +
                         PANO_VIEWER_STUB +
                         ": No such file or directory); build the Windows tree or give --stub\n");
    EXPECT_EQ(ReadFileBytes(output_.Path()), (std::vector<uint8_t>{'o', 'l', 'd'}));
}

TEST_F(Packer, ScrOutputsAreScreensaversAndInfoSaysWhichKind)
{
    TempFile saver({}, ".SCR");
    struct Case {
        const std::string* output;
        std::vector<std::string> options;
        const char* kind;
        bool note;
    };
    const Case cases[] = {
        {&saver.Path(), {}, "kind: screensaver\n", true},
        {&saver.Path(), {"--no-screensaver"}, "kind: viewer\n", false},
        {&saver.Path(), {"--screensaver"}, "kind: screensaver\n", false},
        {&output_.Path(), {}, "kind: viewer\n", false},
        {&output_.Path(), {"--screensaver"}, "kind: screensaver\n", false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"create", "--stub", stub_.Path(), "--image", image_.Path(),
                                         "-o", *c.output};
        args.insert(args.end(), c.options.begin(), c.options.end());
        SCOPED_TRACE(testing::PrintToString(args));
        const Result r = RunPacker(args);
        ASSERT_EQ(r.code, 0) << r.err;
        const std::string note =
            "screensaver: " + *c.output + " ends in .scr (--no-screensaver makes a plain viewer)\n";
        EXPECT_EQ(r.out.rfind(note, 0) == 0, c.note) << r.out;
        const auto settings = ReadPanoSettings(c.output->c_str(), FakeStub().size());
        ASSERT_NE(settings, nullptr);
        EXPECT_EQ(settings->screensaver, std::string(c.kind) == "kind: screensaver\n");
        const Result info = RunPacker({"info", *c.output});
        ASSERT_EQ(info.code, 0) << info.err;
        EXPECT_NE(info.out.find("bytes of records\n" + std::string(c.kind)), std::string::npos)
            << info.out;
    }
    const Result both = Create({"--screensaver", "--no-screensaver"});
    EXPECT_EQ(both.code, 1);
    EXPECT_EQ(both.err, "panopack: --screensaver and --no-screensaver contradict each other\n");
}

TEST(PackerCommands, VersionAndUsage)
{
    for (const char* command : {"--version", "version"}) {
        SCOPED_TRACE(command);
        const Result r = RunPacker({command});
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(r.out, std::string("panopack ") + PANO_VERSION + "\n");
        EXPECT_EQ(r.err, "");
    }
    const Result usage = RunPacker({});
    EXPECT_EQ(usage.code, 2);
    EXPECT_EQ(usage.err.rfind("usage: panopack create [--stub VIEWER.exe] --image IMAGE.jpg -o OUT.exe", 0), 0u)
        << usage.err;
    EXPECT_NE(usage.err.find("--no-screensaver"), std::string::npos);
}

TEST_F(Packer, WriteFailuresNameTheOutputAndLeaveNothingBehind)
{
    const std::filesystem::path folder = std::filesystem::path(output_.Path()).concat(".dir");
    std::filesystem::create_directory(folder);
    struct Case {
        std::string output;
        std::string message;
    };
    const std::string missing = (folder / "missing" / "out.exe").string();
    const std::string onAFolder = (folder / "taken").string();
    std::filesystem::create_directory(onAFolder);
    const Case cases[] = {
        {missing, "panopack: " + missing + ": No such file or directory\n"},
        {onAFolder, "panopack: " + onAFolder + ": Is a directory\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        const Result r = RunPacker({"create", "--stub", stub_.Path(), "--image", image_.Path(), "-o",
                                    c.output});
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, c.message);
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            left.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(left, std::vector<std::string>{"taken"});
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
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
