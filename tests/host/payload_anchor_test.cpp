// Reading payloadOffset from an executable's bytes: a stamped stub and a packed executable give
// the stub's size; a file without one stamped anchor inside its stub gives nothing.
#include "package/payload_anchor.h"

#include <gtest/gtest.h>

#include "payload_bytes.h"

namespace {

PayloadBytes StubWithAnchor(uint32_t stampedValue, size_t before = 40, size_t after = 24)
{
    PayloadBytes stub;
    stub.Fill('S', before).Raw(PAYLOAD_ANCHOR_TAG, kPayloadAnchorTagSize).U32(stampedValue)
        .Fill('T', after);
    return stub;
}

std::optional<uint32_t> Read(const PayloadBytes& file)
{
    return ReadStubPayloadOffset(file.Bytes().data(), file.Size());
}

}  // namespace

TEST(PayloadAnchor, StampedStubGivesItsOwnSize)
{
    const PayloadBytes stub = StubWithAnchor(84);
    ASSERT_EQ(stub.Size(), 84u);
    EXPECT_EQ(Read(stub), 84u);
}

TEST(PayloadAnchor, PackedExecutableGivesTheStubSize)
{
    PayloadBytes packed = StubWithAnchor(84);
    // A payload that happens to hold the tag again does not disturb the stub.
    packed.U32(100).Raw(PAYLOAD_ANCHOR_TAG, kPayloadAnchorTagSize).U32(5).Fill(0, 80);
    EXPECT_EQ(Read(packed), 84u);
}

TEST(PayloadAnchor, RefusesFilesThatAreNotViewerExecutables)
{
    EXPECT_EQ(Read(PayloadBytes().Fill('x', 200)), std::nullopt) << "no tag";
    EXPECT_EQ(Read(StubWithAnchor(0)), std::nullopt) << "never stamped";
    EXPECT_EQ(Read(StubWithAnchor(85)), std::nullopt) << "value past the end";
    EXPECT_EQ(Read(StubWithAnchor(10)), std::nullopt) << "value inside the anchor";

    PayloadBytes cut;
    cut.Fill('S', 8).Raw(PAYLOAD_ANCHOR_TAG, kPayloadAnchorTagSize).U8(1);
    EXPECT_EQ(Read(cut), std::nullopt) << "value cut short";

    const uint32_t twiceSize = 40 + 2 * (kPayloadAnchorTagSize + 4);
    PayloadBytes stampedTwice;
    stampedTwice.Fill('S', 40).Raw(PAYLOAD_ANCHOR_TAG, kPayloadAnchorTagSize).U32(twiceSize)
        .Raw(PAYLOAD_ANCHOR_TAG, kPayloadAnchorTagSize).U32(twiceSize);
    EXPECT_EQ(Read(stampedTwice), std::nullopt) << "two anchors inside the stub";
}
