// The sample panoramas: an imaginary landscape that doubles as a test
// pattern. Eight sectors across the image each have their own hue (red,
// orange, yellow, green, cyan, blue, purple, magenta from left to right),
// light in the sky and dark on the ground, so a picture of any part of it
// tells orientation, mirroring and tile order. White posts mark the sector
// borders (compass marks), taller at every second one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/common/jpeg_io.h"

struct Rgb {
    uint8_t r, g, b;
};

constexpr int kSampleSectors = 8;

// Hue of sector s (0 = left edge), at full strength.
Rgb SectorHue(int sector);

// Colour of the pattern at image position (u, v), both in [0, 1): u from
// the left edge, v from the top. spherical adds the zenith and nadir caps.
Rgb SampleColour(double u, double v, bool spherical);

struct SampleOptions {
    uint32_t width;
    uint32_t height;
    bool spherical = false;
    JpegEncodeOptions jpeg;
};

// The pattern as a JPEG file.
bool MakeSampleJpeg(const SampleOptions& sample, std::vector<uint8_t>& jpeg);
