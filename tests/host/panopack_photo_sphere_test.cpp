// The packer on photo spheres: the metadata gives the geometry and the starting view unless the
// command line does, unusable parts are left out with a warning, and info on a JPEG shows it.
#include "tools/panopack/panopack.h"

#include <gtest/gtest.h>

#include <cstring>

#include "fake_stub.h"
#include "package/payload.h"
#include "run_packer.h"
#include "temp_file.h"
#include "test_jpeg.h"
#include "xmp_jpeg.h"

namespace {

// 180 x 90 degrees around the horizon of a 1024 x 512 panorama, looking
// at heading 200, 5 degrees down, 80 degrees wide.
const GPanoValues kHalfSphere = {
    {"ProjectionType", "equirectangular"},   {"FullPanoWidthPixels", "1024"},
    {"FullPanoHeightPixels", "512"},         {"CroppedAreaImageWidthPixels", "512"},
    {"CroppedAreaImageHeightPixels", "256"}, {"CroppedAreaLeftPixels", "256"},
    {"CroppedAreaTopPixels", "128"},         {"InitialViewHeadingDegrees", "200"},
    {"InitialViewPitchDegrees", "-5"},       {"InitialHorizontalFOVDegrees", "80"},
};

class PhotoSpherePacker : public ::testing::Test {
protected:
    TempFile stub_{FakeStub()};
    TempFile output_;

    Result Create(const std::vector<uint8_t>& jpeg, const std::vector<std::string>& options)
    {
        TempFile image(jpeg, ".jpg");
        return RunCreate(stub_.Path(), image.Path(), output_.Path(), options);
    }

    PanoSettings Written()
    {
        const auto settings = ReadPanoSettings(output_.CPath(), FakeStub().size());
        EXPECT_NE(settings, nullptr);
        return settings ? *settings : PanoSettings{};
    }
};

struct Geometry {
    bool spherical;
    double panMax, tiltMin, tiltMax;
    bool panWraps;
};

struct View {
    double pan, tilt, fov;
};

void ExpectSettings(const PanoSettings& s, const Geometry& geometry, const View& view)
{
    EXPECT_EQ(s.spherical != 0, geometry.spherical);
    EXPECT_EQ(s.panMin, 0);
    EXPECT_NEAR(s.panMax, geometry.panMax, 1e-9);
    EXPECT_NEAR(s.tiltMin, geometry.tiltMin, 1e-9);
    EXPECT_NEAR(s.tiltMax, geometry.tiltMax, 1e-9);
    EXPECT_EQ(s.panWraps != 0, geometry.panWraps);
    EXPECT_NEAR(s.initialPan, view.pan, 1e-9);
    EXPECT_NEAR(s.initialTilt, view.tilt, 1e-9);
    EXPECT_NEAR(s.initialFov, view.fov, 1e-9);
}

}  // namespace

TEST_F(PhotoSpherePacker, MetadataGivesTheGeometryAndWhatTheCommandLineLeavesOfTheView)
{
    const Geometry halfSphere = {true, 180, -45, 45, false};
    const std::string extent =
        "photo sphere metadata: equirectangular 180 x 90 degrees, pan 0..180, tilt -45..45";
    struct Case {
        const char* name;
        GPanoValues values;
        std::vector<std::string> options;
        Geometry geometry;
        View view;
        std::string note;
    };
    const Case cases[] = {
        {"nothing given", kHalfSphere, {}, halfSphere, {110, 5, 80},
         extent + ", initial view pan 110, tilt 5, fov 80"},
        {"a starting pan given", kHalfSphere, {"--pan", "30"}, halfSphere, {30, 5, 80},
         extent + ", initial view tilt 5, fov 80"},
        {"the whole starting view given", kHalfSphere, {"--pan", "30", "--tilt", "-20", "--fov", "60"},
         halfSphere, {30, -20, 60}, extent},
        {"a full sphere, resized",
         {{"ProjectionType", "equirectangular"},
          {"FullPanoWidthPixels", "1024"},
          {"FullPanoHeightPixels", "512"}},
         {},
         {true, 360, -90, 90, true},
         {180, 0, 75},
         "photo sphere metadata: equirectangular 360 x 180 degrees, pan 0..360, tilt -90..90"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Create(JpegWithXmp(512, 256, GPanoXmp(c.values)), c.options);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out.substr(0, r.out.find('\n')), c.note);
        ExpectSettings(Written(), c.geometry, c.view);
    }
}

TEST_F(PhotoSpherePacker, GeometryOnTheCommandLineWins)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--hfov", "90"},      {"--projection", "sphere"}, {"--projection", "cylinder"},
        {"--pan-min", "10"},   {"--pan-max", "100"},       {"--tilt-min", "-30"},
        {"--tilt-max", "30"},
    };
    for (const std::vector<std::string>& options : cases) {
        SCOPED_TRACE(options[0]);
        ASSERT_EQ(Create(MakeTestJpeg(512, 256), options).code, 0);
        const PanoSettings plain = Written();
        const Result r = Create(JpegWithXmp(512, 256, GPanoXmp(kHalfSphere)), options);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.out.find("photo sphere metadata not used: the command line gives the "
                             "projection or extent\n"),
                  0u)
            << r.out;
        const PanoSettings withMetadata = Written();
        EXPECT_EQ(std::memcmp(&plain, &withMetadata, sizeof plain), 0);
    }
}

TEST_F(PhotoSpherePacker, UnusableMetadataIsIgnoredWithAWarning)
{
    struct Case {
        const char* name;
        GPanoValues values;
        const char* warning;
    };
    const Case cases[] = {
        {"malformed size", Replacing(kHalfSphere, "FullPanoWidthPixels", "1024.0"),
         "photo sphere metadata ignored: GPano:FullPanoWidthPixels '1024.0' is not a whole "
         "number of pixels\n"},
        {"another projection", Replacing(kHalfSphere, "ProjectionType", "cylindrical"),
         "photo sphere metadata ignored: projection 'cylindrical' is not equirectangular\n"},
        {"crop outside", Replacing(kHalfSphere, "CroppedAreaLeftPixels", "600"),
         "photo sphere metadata ignored: the cropped area 512 x 256 at 600, 128 reaches outside "
         "the 1024 x 512 panorama\n"},
    };
    ASSERT_EQ(Create(MakeTestJpeg(512, 256), {}).code, 0);
    const PanoSettings plain = Written();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Create(JpegWithXmp(512, 256, GPanoXmp(c.values)), {});
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, std::string("panopack: warning: ") + c.warning);
        EXPECT_EQ(r.out.find("photo sphere"), std::string::npos) << r.out;
        const PanoSettings settings = Written();
        EXPECT_EQ(std::memcmp(&plain, &settings, sizeof plain), 0);
    }
}

TEST_F(PhotoSpherePacker, AStartingViewOutsideTheLimitsIsLeftOutWithAWarning)
{
    const Geometry halfSphere = {true, 180, -45, 45, false};
    struct Case {
        const char* name;
        GPanoValues values;
        std::vector<std::string> options;
        View view;
        const char* warning;
    };
    const Case cases[] = {
        {"heading behind the crop", Replacing(kHalfSphere, "InitialViewHeadingDegrees", "0"), {},
         {90, 5, 80},
         "heading 0 lies outside the cropped area (pan 270 beyond 0..180); starting pan not "
         "taken\n"},
        {"field of view past the zoom limit", kHalfSphere, {"--fov-max", "60"}, {110, 5, 60},
         "photo sphere field of view 80 lies outside the zoom limits 5..60; starting field of "
         "view not taken\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = Create(JpegWithXmp(512, 256, GPanoXmp(c.values)), c.options);
        ASSERT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(r.err, std::string("panopack: warning: ") + c.warning);
        ExpectSettings(Written(), halfSphere, c.view);
    }
}

TEST(PhotoSphereInfo, InfoOnAJpegShowsItsMetadata)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> jpeg;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"metadata",
         JpegWithXmp(512, 256, GPanoXmp(kHalfSphere)),
         {"512 x 256 JPEG image, 3 components",
          "photo sphere metadata: equirectangular 180 x 90 degrees, pan 0..180, tilt -45..45, "
          "initial view pan 110, tilt 5, fov 80",
          "  cropped 512 x 256 at 256, 128 of a 1024 x 512 panorama"}},
        {"a starting view left out",
         JpegWithXmp(512, 256, GPanoXmp(Replacing(kHalfSphere, "InitialViewPitchDegrees", "95"))),
         {"  GPano:InitialViewPitchDegrees '95' is not a pitch in [-90, 90]; starting tilt not "
          "taken"}},
        {"none", MakeTestJpeg(512, 256), {"no photo sphere metadata"}},
        {"unusable",
         JpegWithXmp(512, 256, GPanoXmp(Replacing(kHalfSphere, "ProjectionType", "cube"))),
         {"photo sphere metadata unusable: projection 'cube' is not equirectangular"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFile image(c.jpeg, ".jpg");
        const Result r = RunPacker({"info", image.Path()});
        ASSERT_EQ(r.code, 0) << r.err;
        for (const std::string& line : c.lines) {
            EXPECT_NE(r.out.find(line + "\n"), std::string::npos) << r.out;
        }
    }

    TempFile broken(std::vector<uint8_t>{0xFF, 0xD8, 0xFF}, ".jpg");
    const Result r = RunPacker({"info", broken.Path()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("not a JPEG image"), std::string::npos) << r.err;
}
