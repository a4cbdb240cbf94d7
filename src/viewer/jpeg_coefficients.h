// What the JPEG library holds of a file besides the decoded rows.
#pragma once

#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

// Bytes of the coefficient buffers the library keeps while it decodes the
// file whose header cinfo has read: every block of the whole image for a
// progressive (multi-scan) file, whatever the output scale; nothing for a
// single-scan file, which it decodes a row of blocks at a time.
uint64_t CoefficientBufferBytes(j_decompress_ptr cinfo);
