// The packer's slideshows: several images each with the options that apply to it, a folder of
// JPEGs, info and extract by index, and refusals that name the image and write nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "fake_stub.h"
#include "package/payload.h"
#include "run_packer.h"
#include "temp_file.h"
#include "test_jpeg.h"
#include "tools/panopack/pack_images.h"

namespace {

namespace fs = std::filesystem;

class PackedSlideshow : public ::testing::Test {
protected:
    TempFile stub_{FakeStub()};
    TempFile wide_{MakeTestJpeg(400, 100), ".jpg"};
    TempFile square_{MakeTestJpeg(128, 128), ".jpg"};
    TempFile output_;

    Result Create(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"create", "--stub", stub_.Path(), "-o", output_.Path()});
        return RunPacker(args);
    }
    std::vector<FurtherPanorama> Further() const
    {
        return ReadFurtherPanoramas(output_.CPath(), PayloadOffset());
    }
    uint32_t PayloadOffset() const { return static_cast<uint32_t>(FakeStub().size()); }
};

}  // namespace

TEST_F(PackedSlideshow, OptionsBeforeTheImagesApplyToAllAndAfterAnImageToItAlone)
{
    const Result r = Create({"--fov", "50", "--slide-time", "turn", "--image", wide_.Path(),
                             "--title", "Wide", "--image", square_.Path(), "--projection",
                             "sphere", "--hfov", "180", "--fov", "40", "--fade-time", "0.25",
                             "--image", wide_.Path()});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("3 images"), std::string::npos) << r.out;
    EXPECT_STREQ(ReadPanoSettings(output_.CPath(), PayloadOffset())->title, "Wide");
    EXPECT_EQ(ReadPanoSettings(output_.CPath(), PayloadOffset())->initialFov, 50);
    const std::vector<FurtherPanorama> further = Further();
    ASSERT_EQ(further.size(), 2u);
    EXPECT_EQ(further[0].settings.initialFov, 40);
    EXPECT_EQ(further[1].settings.initialFov, 50);
    const ViewerOptions options = ReadViewerOptions(output_.CPath(), PayloadOffset());
    EXPECT_EQ(options.slideMs, kSlideOneTurn);
    EXPECT_EQ(options.fadeMs, 250u);  // a whole-file option, though it stood after an image

    const Result info = RunPacker({"info", output_.Path()});
    EXPECT_NE(info.out.find("panorama 1: 400 x 100, cylinder, \"Wide\"\n"
                            "panorama 2: 128 x 128, sphere, \"\"\n"
                            "panorama 3: 400 x 100, cylinder, \"\"\n"),
              std::string::npos)
        << info.out;
    EXPECT_NE(info.out.find("slide time:      one turn"), std::string::npos) << info.out;

    // Extract by index: an empty source means a refusal.
    TempFile extracted;
    const std::pair<const char*, std::string> indexes[] = {
        {"1", wide_.Path()}, {"2", square_.Path()}, {"3", wide_.Path()}, {"4", ""}, {"0", ""},
        {"x", ""}, {"", ""}};
    for (const auto& [index, source] : indexes) {
        const Result x =
            RunPacker({"extract", output_.Path(), "-o", extracted.Path(), "--index", index});
        EXPECT_EQ(x.code, source.empty() ? 1 : 0) << index;
        EXPECT_TRUE(source.empty() || ReadFileBytes(extracted.Path()) == ReadFileBytes(source))
            << index;
    }
}

TEST_F(PackedSlideshow, AFolderGivesItsJpegsInExplorersOrderTitledByFileName)
{
    const fs::path folder = fs::path(output_.Path()).concat(".d");
    fs::create_directory(folder);
    for (const char* name : {"b-hill 10.JPG", "b-hill 2.jpg", "A-bay.jpeg", "notes.txt"}) {
        WriteFileBytes((folder / name).string(),
                       name[0] == 'n' ? std::vector<uint8_t>{'x'} : MakeTestJpeg(64, 64));
    }
    fs::create_directory(folder / "c-sub.jpg");
    ASSERT_EQ(Create({"--image", folder.string(), "--fov", "30"}).code, 0);
    EXPECT_STREQ(ReadPanoSettings(output_.CPath(), PayloadOffset())->title, "A-bay");
    const std::vector<FurtherPanorama> further = Further();
    ASSERT_EQ(further.size(), 2u);
    EXPECT_STREQ(further[0].settings.title, "b-hill 2");
    EXPECT_STREQ(further[1].settings.title, "b-hill 10");
    EXPECT_EQ(further[1].settings.initialFov, 30);

    ASSERT_EQ(Create({"--title", "Trip", "--image", folder.string()}).code, 0);
    EXPECT_STREQ(Further()[0].settings.title, "Trip");

    for (const char* name : {"A-bay.jpeg", "b-hill 2.jpg", "b-hill 10.JPG"}) {
        fs::remove(folder / name);
    }
    const Result r = Create({"--image", folder.string()});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("a folder without JPEG images"), std::string::npos) << r.err;
    fs::remove_all(folder);
}

TEST_F(PackedSlideshow, ARefusalNamesTheImageAndWritesNothing)
{
    TempFile broken(std::vector<uint8_t>(64, 'x'), ".jpg");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    std::vector<std::string> tooMany;
    for (int i = 0; i < 257; ++i) {
        tooMany.insert(tooMany.end(), {"--image", wide_.Path()});
    }
    const Case cases[] = {
        {tooMany, "257 images; a viewer shows at most 256"},
        {{"--image", wide_.Path(), "--image", broken.Path()}, broken.Path() + ": not a JPEG"},
        {{"--image", wide_.Path(), "--image", square_.Path(), "--fov", "200"},
         square_.Path() + ": --fov 200"},
        {{"--image", wide_.Path(), "--image", square_.Path(), "--no-options"},
         "several images need the options record"},
    };
    WriteFileBytes(output_.Path(), {'o', 'l', 'd'});
    for (const Case& c : cases) {
        const Result r = Create(c.args);
        EXPECT_EQ(r.code, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(ReadFileBytes(output_.Path()), (std::vector<uint8_t>{'o', 'l', 'd'}));
    }
}

TEST(PackImages, TitlesFromFileNamesKeepWholeCharacters)
{
    EXPECT_EQ(TitleFromFileName("trips/2026/Bay at dusk.jpg", 100), "Bay at dusk");
    EXPECT_EQ(TitleFromFileName("C:\\pics\\hill.v2.jpeg", 100), "hill.v2");
    EXPECT_EQ(TitleFromFileName("\xC3\xA9t\xC3\xA9.jpg", 4), "\xC3\xA9t");
    EXPECT_EQ(TitleFromFileName("\xC3\xA9t\xC3\xA9.jpg", 3), "\xC3\xA9t");
}
