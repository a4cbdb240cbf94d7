#include "decode_anchor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

double DecodeAnchorSeconds(const std::string& path)
{
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        std::fprintf(stderr, "pano_bench: cannot open %s\n", path.c_str());
        std::exit(1);
    }
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr errors;
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_ABGR;
    jpeg_start_decompress(&cinfo);
    const size_t stride = size_t{cinfo.output_width} * 4;
    auto* pixels = static_cast<JSAMPLE*>(std::malloc(stride * cinfo.output_height));
    if (!pixels) {
        std::fprintf(stderr, "pano_bench: out of memory\n");
        std::exit(1);
    }
    constexpr JDIMENSION kBatchRows = 16;
    JSAMPROW rows[kBatchRows];
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION wanted = std::min(kBatchRows, cinfo.output_height - cinfo.output_scanline);
        for (JDIMENSION i = 0; i < wanted; ++i) {
            rows[i] = pixels + (cinfo.output_scanline + i) * stride;
        }
        jpeg_read_scanlines(&cinfo, rows, wanted);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::free(pixels);
    return seconds;
}
