// Writes the seed corpora of the fuzz targets: small real inputs of each
// kind, made here so no binary files live in git.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "package/payload.h"
#include "package/payload_anchor.h"
#include "tools/common/file_io.h"
#include "tools/panopack/payload_builder.h"
#include "tools/samplegen/sample_pattern.h"

namespace {

bool Write(const std::filesystem::path& path, const std::vector<uint8_t>& data)
{
    std::string error;
    if (!WriteFileAtomically(path.string(), {&data}, false, error)) {
        std::fprintf(stderr, "make_seeds: %s\n", error.c_str());
        return false;
    }
    return true;
}

std::vector<uint8_t> Jpeg(uint32_t width, uint32_t height, JpegColour colour, bool progressive)
{
    SampleOptions sample{width, height, false, {}};
    sample.jpeg.colour = colour;
    sample.jpeg.progressive = progressive;
    sample.jpeg.quality = 50;
    std::vector<uint8_t> jpeg;
    MakeSampleJpeg(sample, jpeg);
    return jpeg;
}

template <typename T>
void Append(std::vector<uint8_t>& out, const T& value)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&value);
    out.insert(out.end(), p, p + sizeof value);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds OUTPUT_DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    for (const char* target :
         {"payload", "load_panorama", "set_view", "photo_sphere", "panopack_info"}) {
        std::filesystem::create_directories(dir / target);
    }
    bool ok = true;

    const std::vector<uint8_t> small = Jpeg(32, 16, JpegColour::Rgb, false);
    ok &= Write(dir / "load_panorama/rgb.jpg", small);
    ok &= Write(dir / "load_panorama/grey.jpg", Jpeg(24, 8, JpegColour::Grey, false));
    ok &= Write(dir / "load_panorama/cmyk.jpg", Jpeg(16, 16, JpegColour::Cmyk, false));
    ok &= Write(dir / "load_panorama/progressive.jpg", Jpeg(40, 12, JpegColour::Rgb, true));
    ok &= Write(dir / "load_panorama/wide.jpg", Jpeg(2100, 2, JpegColour::Rgb, false));

    // The payload target starts the walk at data[0] % 32.
    PanoSettings settings{};
    std::strcpy(settings.title, "seed");
    std::vector<uint8_t> packed(8, 'M');
    packed[0] = 8;
    const ViewerOptions options{kKnownFeatures};
    const std::vector<uint8_t> payload = BuildPayload(small, settings, &options);
    packed.insert(packed.end(), payload.begin(), payload.end());
    ok &= Write(dir / "payload/image-settings-options.bin", packed);
    std::vector<uint8_t> settingsFirst = {4, 'M', 'M', 'M'};
    Append(settingsFirst, uint32_t{5 + 688 + 5 + 3});
    settingsFirst.push_back(PAYLOAD_SETTINGS);
    Append(settingsFirst, uint32_t{688});
    Append(settingsFirst, settings);
    settingsFirst.push_back(7);
    Append(settingsFirst, uint32_t{3});
    settingsFirst.insert(settingsFirst.end(), {1, 2, 3});
    ok &= Write(dir / "payload/settings-first.bin", settingsFirst);

    // panopack info finds the payload behind a stamped anchor.
    std::vector<uint8_t> stamped(std::begin(PAYLOAD_ANCHOR_TAG), std::end(PAYLOAD_ANCHOR_TAG));
    Append(stamped, uint32_t{kPayloadAnchorTagSize + 4});
    stamped.insert(stamped.end(), payload.begin(), payload.end());
    ok &= Write(dir / "panopack_info/stamped-viewer.bin", stamped);
    ok &= Write(dir / "panopack_info/image.jpg", small);

    // The photo_sphere target: 0 and a JPEG file, or 1, the image's size and
    // a packet.
    const std::string packet =
        "<x:xmpmeta><rdf:Description xmlns:GPano='http://ns.google.com/photos/1.0/panorama/'"
        " GPano:ProjectionType='equirectangular' GPano:FullPanoWidthPixels='4096'"
        " GPano:FullPanoHeightPixels='2048' GPano:CroppedAreaLeftPixels='1024'"
        " GPano:CroppedAreaTopPixels='512' GPano:CroppedAreaImageWidthPixels='2048'"
        " GPano:CroppedAreaImageHeightPixels='1024'><GPano:InitialViewHeadingDegrees>180"
        "</GPano:InitialViewHeadingDegrees></rdf:Description></x:xmpmeta>";
    std::vector<uint8_t> bare = {1};
    Append(bare, uint16_t{2048});
    Append(bare, uint16_t{1024});
    bare.insert(bare.end(), packet.begin(), packet.end());
    ok &= Write(dir / "photo_sphere/packet.bin", bare);
    static const char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";
    const size_t segmentLength = 2 + sizeof kXmpSignature + packet.size();
    std::vector<uint8_t> withXmp = {0, 0xFF, 0xD8, 0xFF, 0xE1,
                                    static_cast<uint8_t>(segmentLength >> 8),
                                    static_cast<uint8_t>(segmentLength)};
    withXmp.insert(withXmp.end(), kXmpSignature, kXmpSignature + sizeof kXmpSignature);
    withXmp.insert(withXmp.end(), packet.begin(), packet.end());
    withXmp.insert(withXmp.end(), small.begin() + 2, small.end());
    ok &= Write(dir / "photo_sphere/jpeg-with-xmp.bin", withXmp);

    // The set_view target reads: six limits, two flags, the image size, the
    // viewport, then requested views.
    std::vector<uint8_t> view;
    for (const double limit : {0.0, 60.21178439798647, -7.298931280803325, 7.298931280803325, 5.0,
                               165.0}) {
        Append(view, limit);
    }
    view.insert(view.end(), {0, 0});
    for (const uint16_t value : {2604, 634, 800, 600}) {
        Append(view, value);
    }
    for (const double request : {1.012, 0.05, 0.17, 0.035, 0.05, 0.17}) {
        Append(view, request);
    }
    ok &= Write(dir / "set_view/sample.bin", view);

    if (!ok) {
        std::fprintf(stderr, "make_seeds: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
