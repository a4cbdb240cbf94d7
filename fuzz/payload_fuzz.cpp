// The payload readers (settings, options, image, further panoramas), the stub anchor and the settings conversions over
// arbitrary files. The first byte chooses where the payload starts.
#include <cstring>

#include "fuzz_file.h"
#include "package/payload.h"
#include "package/payload_anchor.h"
#include "tools/panopack/payload_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint32_t payloadOffset = size ? data[0] % 32 : 0;
    const char* path = WriteFuzzFile(data, size);

    if (const auto settings = ReadPanoSettings(path, payloadOffset)) {
        char title[kWindowTitleCapacity];
        BuildWindowTitle(*settings, title);
        if (std::strlen(title) >= sizeof title) {
            __builtin_trap();
        }
        ConvertSettings(*settings);
    }
    const ViewerOptions options = ReadViewerOptions(path, payloadOffset);
    if ((options.features & ~kKnownFeatures) != 0 || options.slideMs > kMaxSlideMs ||
        options.fadeMs > kMaxFadeMs) {
        __builtin_trap();
    }
    const int32_t image = FindPanoImage(path, payloadOffset);
    if (image > static_cast<int64_t>(size)) {
        __builtin_trap();
    }

    for (const FurtherPanorama& further : ReadFurtherPanoramas(path, payloadOffset)) {
        if (further.imageOffset <= 0 || further.imageOffset >= static_cast<int64_t>(size)) {
            __builtin_trap();
        }
        ConvertSettings(further.settings);
    }

    std::vector<uint8_t> file(data, data + size);
    if (const auto offset = ReadStubPayloadOffset(file.data(), file.size())) {
        PayloadListing listing;
        std::string error;
        ListPayloadRecords(file, *offset, listing, error);
    }
    return 0;
}
