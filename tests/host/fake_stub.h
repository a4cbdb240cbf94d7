// A stand-in for the built viewer: stub bytes with a stamped payload anchor.
#pragma once

#include <cstdint>
#include <vector>

#include "package/payload_anchor.h"
#include "payload_bytes.h"

inline std::vector<uint8_t> FakeStub()
{
    PayloadBytes stub;
    stub.Fill('M', 100).Raw(PAYLOAD_ANCHOR_TAG, kPayloadAnchorTagSize);
    const uint32_t size = static_cast<uint32_t>(stub.Size() + 4 + 50);
    stub.U32(size).Fill('Z', 50);
    return stub.Bytes();
}
