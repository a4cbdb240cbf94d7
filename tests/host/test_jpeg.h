// Small real JPEG files for tests.
#pragma once

#include <cstdint>
#include <vector>

// A w x h RGB JPEG of a plain gradient.
std::vector<uint8_t> MakeTestJpeg(uint32_t width, uint32_t height);
