// Photo-sphere metadata: the XMP packet and the GPano fields read in every form writers use, and
// safely from damaged files; the sphere and starting view they give, or why they are refused.
#include "tools/panopack/photo_sphere.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "temp_file.h"
#include "test_jpeg.h"
#include "xmp_jpeg.h"

namespace {

const std::vector<uint8_t> kStartOfImage = {0xFF, 0xD8};

std::vector<uint8_t> Join(const std::vector<std::vector<uint8_t>>& parts)
{
    std::vector<uint8_t> bytes;
    for (const std::vector<uint8_t>& part : parts) {
        bytes.insert(bytes.end(), part.begin(), part.end());
    }
    return bytes;
}

// An equirectangular panorama: the full size, then the crop, if any.
GPanoValues Equirectangular(uint32_t fullWidth, uint32_t fullHeight)
{
    return {{"ProjectionType", "equirectangular"},
            {"FullPanoWidthPixels", std::to_string(fullWidth)},
            {"FullPanoHeightPixels", std::to_string(fullHeight)}};
}

GPanoValues Cropped(uint32_t fullWidth, uint32_t fullHeight, uint32_t width, uint32_t height,
                    uint32_t left, uint32_t top)
{
    GPanoValues values = Equirectangular(fullWidth, fullHeight);
    values.insert(values.end(), {{"CroppedAreaImageWidthPixels", std::to_string(width)},
                                 {"CroppedAreaImageHeightPixels", std::to_string(height)},
                                 {"CroppedAreaLeftPixels", std::to_string(left)},
                                 {"CroppedAreaTopPixels", std::to_string(top)}});
    return values;
}

// 180 x 90 degrees around the horizon, centred on the full panorama.
GPanoValues HalfAroundTheHorizon() { return Cropped(4096, 2048, 2048, 1024, 1024, 512); }

GPanoValues With(GPanoValues values, const GPanoValues& more)
{
    values.insert(values.end(), more.begin(), more.end());
    return values;
}

GPanoValues Without(GPanoValues values, const std::string& name)
{
    std::erase_if(values, [&](const auto& entry) { return entry.first == name; });
    return values;
}

bool Derive(const GPanoValues& values, uint32_t imageWidth, uint32_t imageHeight,
            PhotoSphere& sphere, std::string& error)
{
    GPanoFields fields;
    return ReadGPanoFields(GPanoXmp(values), fields, error) &&
           DerivePhotoSphere(fields, imageWidth, imageHeight, sphere, error);
}

}  // namespace

TEST(XmpPacket, OnlyAStandardXmpSegmentBeforeTheImageDataCounts)
{
    const std::string packet = "<x:xmpmeta>the packet</x:xmpmeta>";
    const std::vector<uint8_t> xmp = Segment(0xE1, XmpBody(packet));
    struct Case {
        const char* name;
        std::vector<std::vector<uint8_t>> parts;
        bool found;
    };
    const Case cases[] = {
        {"right behind the start of the image", {kStartOfImage, xmp}, true},
        {"behind JFIF and Exif segments",
         {kStartOfImage, Segment(0xE0, std::string("JFIF\0", 5)),
          Segment(0xE1, std::string("Exif\0\0II*\0", 10)), xmp},
         true},
        {"behind fill bytes and a restart marker", {kStartOfImage, {0xFF, 0xFF}, {0xFF, 0xD0}, xmp},
         true},
        {"extended XMP only",
         {kStartOfImage,
          Segment(0xE1, std::string("http://ns.adobe.com/xmp/extension/\0", 35) + packet)},
         false},
        {"signature without its NUL",
         {kStartOfImage, Segment(0xE1, "http://ns.adobe.com/xap/1.0/" + packet)}, false},
        {"in an APP2 segment", {kStartOfImage, Segment(0xE2, XmpBody(packet))}, false},
        {"behind the start of scan", {kStartOfImage, Segment(0xDA, "scan"), xmp}, false},
        {"behind the end of the image", {kStartOfImage, {0xFF, 0xD9}, xmp}, false},
        {"without a start of image", {xmp}, false},
        {"behind a stray byte", {kStartOfImage, {0x00}, xmp}, false},
        {"behind a segment length below 2", {kStartOfImage, {0xFF, 0xE0, 0x00, 0x01}, xmp}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = Join(c.parts);
        EXPECT_EQ(FindXmpPacket(bytes.data(), bytes.size()), c.found ? packet : "");
    }
}

TEST(XmpPacket, EveryTruncationOfTheFileIsReadSafely)
{
    const std::string packet = GPanoXmp(HalfAroundTheHorizon());
    const std::vector<uint8_t> file = WithSegments(
        MakeTestJpeg(64, 32),
        {Segment(0xE1, std::string("Exif\0\0MM\0*", 10)), Segment(0xE1, XmpBody(packet))});
    const std::string text(file.begin(), file.end());
    const size_t packetEnd = text.find(packet) + packet.size();
    ASSERT_NE(text.find(packet), std::string::npos);
    for (size_t size = 0; size <= file.size(); ++size) {
        SCOPED_TRACE(size);
        // A buffer of exactly this size, so that the sanitizers catch a read past it.
        const std::vector<uint8_t> prefix(file.begin(), file.begin() + size);
        EXPECT_EQ(FindXmpPacket(prefix.data(), prefix.size()), size >= packetEnd ? packet : "");
    }
}

TEST(GPanoFieldsTest, ReadInEveryFormTheWritersUse)
{
    const GPanoValues values = {{"ProjectionType", "equirectangular"},
                                {"FullPanoWidthPixels", "4096"}};
    const std::string ns = "'http://ns.google.com/photos/1.0/panorama/'";
    struct Case {
        const char* name;
        std::string xmp;
        std::optional<std::string> projection, fullWidth;
    };
    const Case cases[] = {
        {"attributes", GPanoXmp(values, XmpForm::Attributes), "equirectangular", "4096"},
        {"elements", GPanoXmp(values, XmpForm::Elements), "equirectangular", "4096"},
        {"another prefix", GPanoXmp(values, XmpForm::Elements, "pano"), "equirectangular", "4096"},
        {"the common prefix left unbound",
         "<rdf:Description GPano:ProjectionType='equirectangular' GPano:FullPanoWidthPixels='4096'/>",
         "equirectangular", "4096"},
        {"the common prefix bound to another namespace",
         "<rdf:Description xmlns:p=" + ns + " xmlns:GPano='http://example.com/other/'"
         " p:ProjectionType='equirectangular' GPano:FullPanoWidthPixels='4096'/>",
         "equirectangular", std::nullopt},
        {"two prefixes for the namespace",
         "<d xmlns:a=" + ns + " a:ProjectionType='equirectangular'/><d xmlns:b=" + ns +
             "><b:FullPanoWidthPixels>4096</b:FullPanoWidthPixels></d>",
         "equirectangular", "4096"},
        {"spaces around the value",
         "<d xmlns:GPano=" + ns + " GPano:ProjectionType = ' equirectangular '>"
         "<GPano:FullPanoWidthPixels >\n  4096\n</GPano:FullPanoWidthPixels></d>",
         "equirectangular", "4096"},
        {"the same value twice",
         "<d xmlns:GPano=" + ns + " GPano:FullPanoWidthPixels='4096'>"
         "<GPano:FullPanoWidthPixels>4096</GPano:FullPanoWidthPixels></d>",
         std::nullopt, "4096"},
        {"longer names and other prefixes",
         "<d xmlns:GPano=" + ns + " GPano:ProjectionTypeOld='cylindrical'"
         " xGPano:FullPanoWidthPixels='1' GPano:FullPanoWidthPixelsX='2'/>",
         std::nullopt, std::nullopt},
        {"mentions without a value",
         "<d xmlns:GPano=" + ns + "><!-- GPano:ProjectionType --><GPano:FullPanoWidthPixels/></d>",
         std::nullopt, std::nullopt},
        {"an element without its end tag",
         "<d xmlns:GPano=" + ns + "><GPano:FullPanoWidthPixels>4096</d>", std::nullopt,
         std::nullopt},
        {"an attribute without its closing quote",
         "<d xmlns:GPano=" + ns + " GPano:FullPanoWidthPixels='4096/>", std::nullopt,
         std::nullopt},
        {"no packet", "", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GPanoFields fields;
        std::string error;
        ASSERT_TRUE(ReadGPanoFields(c.xmp, fields, error)) << error;
        EXPECT_EQ(fields.projectionType, c.projection);
        EXPECT_EQ(fields.fullWidth, c.fullWidth);
    }
}

TEST(GPanoFieldsTest, AFieldWithTwoValuesIsRefused)
{
    const std::string xmp =
        "<d xmlns:GPano='http://ns.google.com/photos/1.0/panorama/' "
        "GPano:FullPanoWidthPixels='4096'><GPano:FullPanoWidthPixels>2048"
        "</GPano:FullPanoWidthPixels></d>";
    GPanoFields fields;
    std::string error;
    EXPECT_FALSE(ReadGPanoFields(xmp, fields, error));
    EXPECT_EQ(error, "GPano:FullPanoWidthPixels is given twice, as '4096' and '2048'");
}

// A packet may bind the namespace to any number of prefixes; the field under
// the last of them counts as under the first.
TEST(GPanoFieldsTest, AFieldUnderTheLastOfManyPrefixesIsRead)
{
    std::string xmp = "<d";
    for (int i = 0; i < 600; ++i) {
        xmp += " xmlns:p" + std::to_string(i) + "='http://ns.google.com/photos/1.0/panorama/'";
    }
    xmp += " p599:ProjectionType='equirectangular' p0:FullPanoWidthPixels='4096'/>";
    GPanoFields fields;
    std::string error;
    ASSERT_TRUE(ReadGPanoFields(xmp, fields, error)) << error;
    EXPECT_EQ(fields.projectionType, "equirectangular");
    EXPECT_EQ(fields.fullWidth, "4096");
}

// Metadata quoted in a message reaches the user's terminal: control bytes
// are written out and a long value is cut.
TEST(GPanoFieldsTest, MetadataInMessagesIsEscapedAndCut)
{
    const std::string huge(50000, '7');
    struct Case {
        const char* name;
        std::string projection;
        std::string message;
    };
    const Case cases[] = {
        {"terminal control bytes", "\x1b]0;owned\x07" "equi\\rect",
         "projection '\\x1B]0;owned\\x07equi\\x5Crect' is not equirectangular"},
        {"a value of 50000 bytes", huge,
         "projection '" + huge.substr(0, 40) + "'... (50000 bytes) is not equirectangular"},
        {"non-ASCII bytes", "\xC3\xA9quirectangular",
         "projection '\\xC3\\xA9quirectangular' is not equirectangular"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PhotoSphere sphere;
        std::string error;
        EXPECT_FALSE(Derive(Replacing(HalfAroundTheHorizon(), "ProjectionType", c.projection),
                            2048, 1024, sphere, error));
        EXPECT_EQ(error, c.message);
    }
}

TEST(PhotoSphereExtent, CropPlacesTheImageOnTheSphere)
{
    struct Case {
        const char* name;
        GPanoValues values;
        uint32_t imageWidth, imageHeight;
        double panSpan, tiltMin, tiltMax;
    };
    const Case cases[] = {
        {"full sphere", Equirectangular(4096, 2048), 4096, 2048, 360, -90, 90},
        {"full sphere with its crop given", Cropped(4096, 2048, 4096, 2048, 0, 0), 4096, 2048, 360,
         -90, 90},
        {"180 x 90 around the horizon", HalfAroundTheHorizon(), 2048, 1024, 180, -45, 45},
        {"upper quarter at the right end", Cropped(4096, 2048, 1024, 512, 3072, 0), 1024, 512, 90,
         -90, -45},
        {"bottom strip", Cropped(3600, 1800, 3600, 300, 0, 1500), 3600, 300, 360, 60, 90},
        {"resized to a quarter", HalfAroundTheHorizon(), 512, 256, 180, -45, 45},
        {"resized with a side rounded", Cropped(4000, 2000, 2000, 999, 0, 500), 1001, 500, 180,
         -45, 44.91},
        {"full width a pixel off twice the height", Equirectangular(4097, 2048), 4097, 2048, 360,
         -90, 90},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PhotoSphere sphere;
        std::string error;
        ASSERT_TRUE(Derive(c.values, c.imageWidth, c.imageHeight, sphere, error)) << error;
        EXPECT_NEAR(sphere.panSpan, c.panSpan, 1e-9);
        EXPECT_NEAR(sphere.tiltMin, c.tiltMin, 1e-9);
        EXPECT_NEAR(sphere.tiltMax, c.tiltMax, 1e-9);
        EXPECT_TRUE(sphere.warnings.empty());
    }
}

TEST(PhotoSphereExtent, MalformedOrContradictoryMetadataIsRefused)
{
    const GPanoValues half = HalfAroundTheHorizon();
    const char* width = "FullPanoWidthPixels";
    struct Case {
        const char* name;
        GPanoValues values;
        uint32_t imageWidth, imageHeight;
        const char* message;
    };
    const Case cases[] = {
        {"cylindrical", Replacing(half, "ProjectionType", "cylindrical"), 2048, 1024,
         "projection 'cylindrical' is not equirectangular"},
        {"no projection", Without(half, "ProjectionType"), 2048, 1024,
         "GPano:ProjectionType is missing"},
        {"no full height", Without(half, "FullPanoHeightPixels"), 2048, 1024, "size"},
        {"units", Replacing(half, width, "4096px"), 2048, 1024,
         "GPano:FullPanoWidthPixels '4096px' is not a whole number of pixels"},
        {"negative", Replacing(half, "CroppedAreaLeftPixels", "-1"), 2048, 1024,
         "GPano:CroppedAreaLeftPixels '-1' is not a whole number"},
        {"fraction", Replacing(half, width, "4096.5"), 2048, 1024, "not a whole number"},
        {"hexadecimal", Replacing(half, width, "0x1000"), 2048, 1024, "not a whole number"},
        {"empty", Replacing(half, width, ""), 2048, 1024, "not a whole number"},
        {"NaN", Replacing(half, "CroppedAreaTopPixels", "NaN"), 2048, 1024, "not a whole number"},
        {"past 32 bits", Replacing(half, width, "4294971392"), 2048, 1024, "not a whole number"},
        {"past GPano's integers", Replacing(half, width, "2147483648"), 2048, 1024,
         "not a whole number"},
        {"zero crop", Replacing(half, "CroppedAreaImageWidthPixels", "0"), 2048, 1024, "0 pixels"},
        {"crop past the right edge", Replacing(half, "CroppedAreaLeftPixels", "2049"), 2048, 1024,
         "the cropped area 2048 x 1024 at 2049, 512 reaches outside the 4096 x 2048 panorama"},
        {"crop past the bottom", Replacing(half, "CroppedAreaTopPixels", "1025"), 2048, 1024,
         "reaches outside"},
        {"crop larger than the panorama", Cropped(4096, 2048, 4097, 2048, 0, 0), 4097, 2048,
         "reaches outside"},
        {"image stretched from the crop", half, 2048, 2048,
         "the image is 2048 x 2048 pixels but the cropped area 2048 x 1024"},
        {"image two pixels off the scaled crop", half, 1024, 510, "the image is 1024 x 510"},
        {"full panorama not 2:1", Equirectangular(4096, 1024), 4096, 1024,
         "the full panorama 4096 x 1024 is not twice as wide as high"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PhotoSphere sphere;
        std::string error;
        EXPECT_FALSE(Derive(c.values, c.imageWidth, c.imageHeight, sphere, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
}

TEST(PhotoSphereView, HeadingPitchAndFieldOfViewBecomeTheStartingView)
{
    struct Case {
        const char* name;
        GPanoValues values;
        uint32_t imageWidth;  // and half as high
        std::optional<double> pan, tilt, fov;
        const char* warning;  // empty: none
    };
    const GPanoValues half = HalfAroundTheHorizon();  // headings 90 to 270, 2048 pixels wide
    const GPanoValues full = Equirectangular(4096, 2048);
    const auto heading = [](const char* value) {
        return GPanoValues{{"InitialViewHeadingDegrees", value}};
    };
    const auto pitch = [](const char* value) {
        return GPanoValues{{"InitialViewPitchDegrees", value}};
    };
    const auto fov = [](const char* value) {
        return GPanoValues{{"InitialHorizontalFOVDegrees", value}};
    };
    const Case cases[] = {
        {"none", half, 2048, {}, {}, {}, ""},
        {"the full panorama's centre", With(half, heading("180")), 2048, 90, {}, {}, ""},
        {"the crop's left edge", With(half, heading("90")), 2048, 0, {}, {}, ""},
        {"the crop's right edge", With(half, heading("270")), 2048, 180, {}, {}, ""},
        {"a negative heading on the full sphere", With(full, heading("-90")), 4096, 270, {}, {},
         ""},
        {"a full turn on the full sphere", With(full, heading("360")), 4096, 0, {}, {}, ""},
        {"minus a full turn on the full sphere", With(full, heading("-360")), 4096, 0, {}, {},
         ""},
        {"minus zero on the full sphere", With(full, heading("-0")), 4096, 0, {}, {}, ""},
        {"looking up", With(half, pitch("10.5")), 2048, {}, -10.5, {}, ""},
        {"looking down to the crop's edge", With(half, pitch("-45")), 2048, {}, 45, {}, ""},
        {"level", With(half, pitch("0")), 2048, {}, 0, {}, ""},
        {"all three", With(With(With(half, heading("+200")), pitch("-5")), fov("80")), 2048, 110,
         5, 80, ""},
        {"a heading behind the crop", With(half, heading("0")), 2048, {}, {}, {},
         "heading 0 lies outside the cropped area (pan 270 beyond 0..180)"},
        {"a heading past a turn", With(full, heading("400")), 4096, {}, {}, {},
         "GPano:InitialViewHeadingDegrees '400' is not a heading in [-360, 360]"},
        {"a NaN heading", With(half, heading("NaN")), 2048, {}, {}, {}, "'NaN' is not a heading"},
        {"a heading in words", With(half, heading("north")), 2048, {}, {}, {}, "is not a heading"},
        {"a pitch above the crop", With(half, pitch("60")), 2048, {}, {}, {},
         "pitch 60 lies outside the cropped area (tilt -45..45)"},
        {"an infinite pitch", With(half, pitch("inf")), 2048, {}, {}, {}, "'inf' is not a pitch"},
        {"a pitch past the zenith", With(full, pitch("90.5")), 4096, {}, {}, {}, "is not a pitch"},
        {"two signs", With(half, pitch("+-5")), 2048, {}, {}, {}, "is not a pitch"},
        {"a huge field of view", With(half, fov("1e308")), 2048, {}, {}, {},
         "'1e308' is not a field of view in (0, 180)"},
        {"a field of view past the doubles", With(half, fov("1e999")), 2048, {}, {}, {},
         "is not a field of view"},
        {"a negative field of view", With(half, fov("-10")), 2048, {}, {}, {},
         "is not a field of view"},
        {"a half-turn field of view", With(half, fov("180")), 2048, {}, {}, {},
         "is not a field of view"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PhotoSphere sphere;
        std::string error;
        ASSERT_TRUE(Derive(c.values, c.imageWidth, c.imageWidth / 2, sphere, error)) << error;
        EXPECT_EQ(sphere.initialPan, c.pan);
        EXPECT_FALSE(sphere.initialPan && std::signbit(*sphere.initialPan))
            << DescribePhotoSphere(sphere);
        EXPECT_EQ(sphere.initialTilt, c.tilt);
        EXPECT_EQ(sphere.initialFov, c.fov);
        if (*c.warning) {
            ASSERT_EQ(sphere.warnings.size(), 1u);
            EXPECT_NE(sphere.warnings[0].find(c.warning), std::string::npos) << sphere.warnings[0];
        } else {
            EXPECT_TRUE(sphere.warnings.empty());
        }
    }
}

TEST(PhotoSphereSearchTest, FindsDerivesOrRefusesTheMetadataOfAJpeg)
{
    PhotoSphere sphere;
    std::string error;
    EXPECT_EQ(ReadPhotoSphere(MakeTestJpeg(64, 32), 64, 32, sphere, error),
              PhotoSphereSearch::Absent);
    EXPECT_EQ(ReadPhotoSphere(JpegWithXmp(64, 32, "<x:xmpmeta/>"), 64, 32, sphere, error),
              PhotoSphereSearch::Absent);

    const std::vector<uint8_t> good = JpegWithXmp(64, 32, GPanoXmp(HalfAroundTheHorizon()));
    ASSERT_EQ(ReadPhotoSphere(good, 64, 32, sphere, error), PhotoSphereSearch::Found) << error;
    EXPECT_EQ(DescribePhotoSphere(sphere),
              "equirectangular 180 x 90 degrees, pan 0..180, tilt -45..45");
    sphere.initialPan = 90;
    sphere.initialFov = 80;
    EXPECT_EQ(DescribePhotoSphere(sphere),
              "equirectangular 180 x 90 degrees, pan 0..180, tilt -45..45, initial view pan 90, "
              "fov 80");

    const std::vector<uint8_t> stretched = JpegWithXmp(64, 64, GPanoXmp(HalfAroundTheHorizon()));
    EXPECT_EQ(ReadPhotoSphere(stretched, 64, 64, sphere, error), PhotoSphereSearch::Unusable);
    EXPECT_NE(error.find("the image is 64 x 64"), std::string::npos) << error;
}

// exiftool, an independent writer, writes the fields as phones do.
TEST(PhotoSphereFromExiftool, ReadsWhatExiftoolWrites)
{
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "exiftool is not installed (Debian package libimage-exiftool-perl)";
    }
    struct Case {
        const char* name;
        const char* options;
        const char* form;  // how the packet holds the projection
    };
    const Case cases[] = {
        {"elements", "", "<GPano:ProjectionType>equirectangular<"},
        {"attributes", "-api XMPShorthand=1", "GPano:ProjectionType='equirectangular'"},
        {"behind Exif", "-EXIF:Artist=Tester", "<GPano:ProjectionType>equirectangular<"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFile image(MakeTestJpeg(512, 256), ".jpg");
        const std::string command =
            std::string("exiftool -q -overwrite_original ") + c.options +
            " -XMP-GPano:ProjectionType=equirectangular"
            " -XMP-GPano:FullPanoWidthPixels=1024 -XMP-GPano:FullPanoHeightPixels=512"
            " -XMP-GPano:CroppedAreaImageWidthPixels=512"
            " -XMP-GPano:CroppedAreaImageHeightPixels=256"
            " -XMP-GPano:CroppedAreaLeftPixels=256 -XMP-GPano:CroppedAreaTopPixels=128"
            " -XMP-GPano:InitialViewHeadingDegrees=200 -XMP-GPano:InitialViewPitchDegrees=-5"
            " -XMP-GPano:InitialHorizontalFOVDegrees=80 '" +
            image.Path() + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;

        const std::vector<uint8_t> jpeg = ReadFileBytes(image.Path());
        const std::string_view packet = FindXmpPacket(jpeg.data(), jpeg.size());
        EXPECT_NE(packet.find(c.form), std::string_view::npos) << packet;
        PhotoSphere sphere;
        std::string error;
        ASSERT_EQ(ReadPhotoSphere(jpeg, 512, 256, sphere, error), PhotoSphereSearch::Found)
            << error;
        EXPECT_EQ(sphere.panSpan, 180);
        EXPECT_EQ(sphere.tiltMin, -45);
        EXPECT_EQ(sphere.tiltMax, 45);
        EXPECT_EQ(sphere.initialPan, 110);
        EXPECT_EQ(sphere.initialTilt, 5);
        EXPECT_EQ(sphere.initialFov, 80);
    }
}
