// What decoding alone costs: libjpeg-turbo decoding a JPEG file straight
// into one freshly allocated buffer of 4 bytes per pixel, a batch of rows
// per call, with no tiles. The load benchmark sets the loader against it.
#pragma once

#include <string>

// Seconds taken to decode the file at path; the buffer is freed outside the
// timed part. A decoding error ends the program with the library's message.
double DecodeAnchorSeconds(const std::string& path);
