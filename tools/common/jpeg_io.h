// JPEG helpers for our host tools: header inspection for the packer and
// compression for the sample generator and tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct JpegInfo {
    uint32_t width = 0;
    uint32_t height = 0;
    int components = 0;
    uint64_t coefficientBytes = 0;  // what the decoder buffers of a progressive file
};

// Reads the JPEG header from memory. On failure returns false and puts the
// library's reason into error.
bool ReadJpegInfo(const std::vector<uint8_t>& data, JpegInfo& info, std::string& error);

// The pixels given: one component, red-green-blue, CMYK, or two components
// of no known colour space.
enum class JpegColour { Grey, Rgb, Cmyk, TwoChannels };

// How the file stores them: the library's choice (YCbCr for colour), the
// given red, green and blue as they are, or CMYK as YCCK.
enum class JpegStorage { Default, AsGiven, Ycck };

struct JpegEncodeOptions {
    int quality = 90;
    bool progressive = false;
    JpegColour colour = JpegColour::Rgb;
    JpegStorage storage = JpegStorage::Default;
    // Sampling of the first component, the others then sampled 1 x 1; 0 keeps
    // the library's.
    int horizontalSampling = 0;
    int verticalSampling = 0;
    int restartRows = 0;  // a restart marker after every so many block rows
    const std::vector<uint8_t>* iccProfile = nullptr;  // written in APP2 markers
};

// Decodes with the library's defaults into info.components bytes per
// pixel, rows from the top.
bool DecodeJpeg(const std::vector<uint8_t>& data, JpegInfo& info, std::vector<uint8_t>& pixels,
                std::string& error);

// Compresses width x height pixels of 1 (grey), 2, 3 (RGB) or 4 (CMYK)
// bytes each, row by row from the top.
bool EncodeJpeg(const uint8_t* pixels, uint32_t width, uint32_t height,
                const JpegEncodeOptions& options, std::vector<uint8_t>& out);
