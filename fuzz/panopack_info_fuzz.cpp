// `panopack info` and its payload listing over untrusted files: whatever
// the bytes, it ends with 0 or 1, and every record it lists lies inside the
// file.
#include <sstream>

#include "fuzz_file.h"
#include "package/payload_anchor.h"
#include "tools/panopack/panopack.h"
#include "tools/panopack/payload_builder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> file(data, data + size);
    if (const auto offset = ReadStubPayloadOffset(file.data(), file.size())) {
        PayloadListing listing;
        std::string error;
        if (ListPayloadRecords(file, *offset, listing, error)) {
            for (const PayloadRecordInfo& record : listing.records) {
                if (record.dataOffset > size || record.length > size - record.dataOffset) {
                    __builtin_trap();
                }
            }
        }
    }
    std::ostringstream out, err;
    const int code = RunPanopack({"info", WriteFuzzFile(data, size)}, out, err);
    if (code != 0 && code != 1) {
        __builtin_trap();
    }
    return 0;
}
