// The image loader over arbitrary bytes at offset 0, with the pixels capped
// so the fuzzer's memory limit is not the first thing found.
#include "display/named_texture.h"
#include "fuzz_file.h"
#include "viewer/panorama_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* path = WriteFuzzFile(data, size);
    PanoramaImage image;
    LoadPanorama(image, path, 0, uint64_t{64} << 20);
    DestroyAllNamedTextures();
    return 0;
}
