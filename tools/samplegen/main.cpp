// panosamples: writes the sample panoramas into a folder, each with the
// panopack options that make a viewer of it (NAME.args, one per line).
//   harbour.jpg  2605 x 635, cylindrical, 60.2 degrees wide (the demo)
//   sphere.jpg   4096 x 2048, a full spherical panorama
//   wide.jpg     4800 x 600, a full circle in four tile columns
#include <cstdio>
#include <string>

#include "tools/common/file_io.h"
#include "tools/samplegen/sample_pattern.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: panosamples OUTPUT_DIR\n");
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
