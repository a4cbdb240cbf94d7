// Small real JPEG files for tests.
#pragma once

#include <cstdint>
#include <vector>

// A w x h RGB JPEG of a plain gradient.
std::vector<uint8_t> MakeTestJpeg(uint32_t width, uint32_t height);

// How a file stores its colours.
enum class StoredColour {
    YCbCr,        // the usual JFIF file
    YCbCrIcc,     // the same with an ICC profile in APP2 markers
    Rgb,          // red, green, blue kept as they are (Adobe marker, transform 0)
    Grey,         // one component
    Cmyk,         // four components, Adobe marker
    Ycck,         // CMYK turned into YCCK, Adobe marker, transform 2
    TwoChannels,  // two components of no known colour space
};

struct TestJpegLayout {
    StoredColour colour = StoredColour::YCbCr;
    // Sampling of the first component; the others are sampled 1 x 1.
    int horizontalSampling = 2;
    int verticalSampling = 2;
    bool progressive = false;
    int restartRows = 0;  // a restart marker after every so many block rows
};

// A w x h JPEG of a busy pattern (gradients, fine stripes, hard edges), so
// every colour conversion and upsampling step has work to do.
std::vector<uint8_t> MakePatternJpeg(uint32_t width, uint32_t height, const TestJpegLayout& layout);

// jpeg with its start-of-frame header (baseline or progressive) claiming
// width x height, the data left as it is.
std::vector<uint8_t> ClaimingSize(std::vector<uint8_t> jpeg, uint32_t width, uint32_t height);
