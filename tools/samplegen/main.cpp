// panosamples: writes the sample panoramas into a folder, each with the
// panopack options that make a viewer of it (NAME.args, one per line).
//   harbour.jpg  2605 x 635, cylindrical, 60.2 degrees wide (the demo)
//   sphere.jpg   4096 x 2048, a full spherical panorama
//   wide.jpg     4800 x 600, a full circle in four tile columns
// With --ppm WIDTH HEIGHT [--sphere] it writes the pattern at any size as a
// binary PPM to standard output instead, row by row, for cjpeg to compress
// in whatever encoding a test wants: images too large to keep or to make
// with ImageMagick.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/common/file_io.h"
#include "tools/samplegen/sample_pattern.h"

namespace {

static_assert(sizeof(Rgb) == 3, "a PPM row is the pattern's pixels as they are");

int WritePpm(uint32_t width, uint32_t height, bool spherical)
{
    std::printf("P6\n%u %u\n255\n", width, height);
    std::vector<Rgb> row(width);
    for (uint32_t y = 0; y < height; ++y) {
        const double v = (y + 0.5) / height;
        for (uint32_t x = 0; x < width; ++x) {
            row[x] = SampleColour((x + 0.5) / width, v, spherical);
        }
        if (std::fwrite(row.data(), sizeof(Rgb), width, stdout) != width) {
            return 1;
        }
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if ((argc == 4 || argc == 5) && std::strcmp(argv[1], "--ppm") == 0) {
        const long width = std::atol(argv[2]), height = std::atol(argv[3]);
        const bool spherical = argc == 5 && std::strcmp(argv[4], "--sphere") == 0;
        if (width > 0 && height > 0 && width <= 65500 && height <= 65500 &&
            (argc == 4 || spherical)) {
            return WritePpm(static_cast<uint32_t>(width), static_cast<uint32_t>(height), spherical);
        }
    }
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: panosamples OUTPUT_DIR\n"
                     "       panosamples --ppm WIDTH HEIGHT [--sphere] >IMAGE.ppm\n");
        return 2;
    }
    const std::string dir = argv[1];
    struct Sample {
        const char* name;
        SampleOptions image;
        const char* options;
    };
    // The harbour's settings are those of the original sample viewer, as a
    // plain viewer rather than a screensaver.
    const Sample samples[] = {
        {"harbour", {2605, 635, false, {}},
         "--window-width\n800\n--window-height\n400\n"
         "--pan-min\n0\n--pan-max\n60.21178439798647\n"
         "--tilt-min\n-7.298931280803325\n--tilt-max\n7.298931280803325\n"
         "--fov-min\n5\n--fov-max\n165\n"
         "--pan\n30.105892198993235\n--tilt\n0\n--fov\n21.896793842409977\n"
         "--inertia\n0.5\n--drag-speed\n1\n--text-color\n0xFFFFFF\n--shadow-color\n0x000000\n"
         "--auto-motion\n--auto-pan-speed\n2\n--auto-tilt-speed\n0\n--auto-zoom\n1\n"
         "--idle-delay\n5\n--no-pan-wraps\n"},
        {"sphere", {4096, 2048, true, {}},
         "--projection\nsphere\n--fov\n75\n--title\nSample sphere\n"},
        {"wide", {4800, 600, false, {}}, "--hfov\n360\n--title\nSample circle\n"},
    };
    for (const Sample& sample : samples) {
        std::vector<uint8_t> jpeg;
        const std::string base = dir + "/" + sample.name;
        const std::string options = sample.options;
        const std::vector<uint8_t> optionBytes(options.begin(), options.end());
        std::string error = "cannot make " + base + ".jpg";
        if (!MakeSampleJpeg(sample.image, jpeg) ||
            !WriteFileAtomically(base + ".jpg", {&jpeg}, false, error) ||
            !WriteFileAtomically(base + ".args", {&optionBytes}, false, error)) {
            std::fprintf(stderr, "panosamples: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
