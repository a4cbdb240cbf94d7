// The loader as first written, kept to check the faster one against: the
// library's default colour output read one row at a time, converted into a
// row of blue, green, red and one unused byte per pixel, and spread over
// the tiles word by word.
#pragma once

#include <cstdint>
#include <vector>

#include "viewer/panorama_image.h"

namespace decode_reference {

struct Tiles {
    PanoramaImage image;                   // its tilePixels point into pixels
    std::vector<uint32_t> pixels[kMaxTiles];  // zeroed when made; alpha stays so
};

// Decodes jpeg into tiles of the same grid the loader chooses. False on a
// decoding error.
bool Decode(const std::vector<uint8_t>& jpeg, Tiles& tiles);

}  // namespace decode_reference
