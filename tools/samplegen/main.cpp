// panosamples: writes the sample panoramas into a folder.
//   harbour.jpg  2605 x 635, cylindrical, 60.2 degrees wide (the demo)
//   sphere.jpg   4096 x 2048, a full spherical panorama
#include <cstdio>
#include <string>

#include "tools/samplegen/sample_pattern.h"

namespace {

bool Write(const std::string& path, const std::vector<uint8_t>& data)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool ok = std::fwrite(data.data(), 1, data.size(), file) == data.size();
    return std::fclose(file) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: panosamples OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    struct Sample {
        const char* name;
        SampleSpec spec;
    };
    const Sample samples[] = {
        {"harbour.jpg", {2605, 635, false, {}}},
        {"sphere.jpg", {4096, 2048, true, {}}},
    };
    for (const Sample& sample : samples) {
        std::vector<uint8_t> jpeg;
        const std::string path = dir + "/" + sample.name;
        if (!MakeSampleJpeg(sample.spec, jpeg) || !Write(path, jpeg)) {
            std::fprintf(stderr, "panosamples: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
