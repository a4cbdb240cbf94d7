#include "bench_figures.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "tools/common/file_io.h"
#include "tools/samplegen/sample_pattern.h"

LoadFigures& LoadFiguresOf(uint32_t width, uint32_t height)
{
    static std::map<std::pair<uint32_t, uint32_t>, LoadFigures> figures;
    LoadFigures& found = figures[{width, height}];
    found.width = width;
    found.height = height;
    return found;
}

const std::string& BenchImagePath(uint32_t width, uint32_t height)
{
    static std::map<std::pair<uint32_t, uint32_t>, std::string> paths;
    auto found = paths.find({width, height});
    if (found == paths.end()) {
        std::vector<uint8_t> jpeg;
        MakeSampleJpeg(SampleOptions{width, height, false, {}}, jpeg);
        const std::string path =
            "/tmp/panoview-bench-" + std::to_string(width) + "x" + std::to_string(height) + ".jpg";
        std::string error;
        if (!WriteFileAtomically(path, {&jpeg}, false, error)) {
            std::fprintf(stderr, "pano_bench: %s\n", error.c_str());
            std::exit(1);
        }
        found = paths.emplace(std::make_pair(width, height), path).first;
    }
    return found->second;
}
