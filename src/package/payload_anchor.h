// Where a viewer executable keeps payloadOffset: a fixed tag followed by the
// 32-bit offset. The build stamps the stub's own file size into the value,
// so a payload appended by plain concatenation starts exactly there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

// A program holding this tag twice cannot be stamped, so the tag is kept
// only in the anchor itself and in the code that searches for it.
#define PAYLOAD_ANCHOR_TAG "ZylloraPayload@"
constexpr size_t kPayloadAnchorTagSize = sizeof PAYLOAD_ANCHOR_TAG;

struct PayloadAnchor {
    char tag[kPayloadAnchorTagSize];
    uint32_t payloadOffset;
};

// The anchor of the running program, linked into viewer executables only.
// Volatile so the stamped value is read from the file image, not folded
// from its unstamped initialiser.
extern const volatile PayloadAnchor payloadAnchor;

// The payloadOffset that a viewer executable's file image holds: the value
// behind its anchor tag. Nothing when the image has no anchor, holds the tag
// twice before the payload, is unstamped (0) or claims more bytes than it has.
std::optional<uint32_t> ReadStubPayloadOffset(const uint8_t* bytes, size_t size);
