// Finding payloadOffset in another executable's bytes, for the packer and tests. Kept out of
// viewers, which must hold the anchor tag only once; their own anchor is payload_anchor_value.cpp.
#include "package/payload_anchor.h"

#include <algorithm>
#include <cstring>

std::optional<uint32_t> ReadStubPayloadOffset(const uint8_t* bytes, size_t size)
{
    const uint8_t* tag = reinterpret_cast<const uint8_t*>(PAYLOAD_ANCHOR_TAG);
    const uint8_t* end = bytes + size;
    const uint8_t* anchor = std::search(bytes, end, tag, tag + kPayloadAnchorTagSize);
    if (static_cast<size_t>(end - anchor) < sizeof(PayloadAnchor)) {
        return std::nullopt;
    }
    uint32_t value = 0;
    std::memcpy(&value, anchor + offsetof(PayloadAnchor, payloadOffset), sizeof value);
    const size_t anchorEnd = static_cast<size_t>(anchor - bytes) + sizeof(PayloadAnchor);
    if (value < anchorEnd || value > size) {
        return std::nullopt;
    }
    const uint8_t* stubEnd = bytes + value;
    if (std::search(anchor + 1, stubEnd, tag, tag + kPayloadAnchorTagSize) != stubEnd) {
        return std::nullopt;
    }
    return value;
}
