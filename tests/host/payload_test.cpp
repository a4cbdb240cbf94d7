// The payload readers: records found by type and skipped by length, settings records of any
// length, and walks that end safely on bad lengths, reads cut short or unreadable files.
#include "package/payload.h"

#include <gtest/gtest.h>

#include "payload_bytes.h"
#include "temp_file.h"

namespace {

const uint8_t kJpegStart[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
constexpr uint32_t kStubSize = 64;

// A file of kStubSize stub bytes followed by the given payload.
PayloadBytes Stub()
{
    return PayloadBytes().Fill('M', kStubSize);
}

// Stub, total length, then the records of body.
std::vector<uint8_t> Executable(const PayloadBytes& body)
{
    PayloadBytes file = Stub();
    file.U32(static_cast<uint32_t>(body.Size())).Raw(body.Bytes().data(), body.Size());
    return file.Bytes();
}

std::vector<uint8_t> ExecutableWithTotal(uint32_t total, const PayloadBytes& body)
{
    PayloadBytes file = Stub();
    file.U32(total).Raw(body.Bytes().data(), body.Size());
    return file.Bytes();
}

}  // namespace

TEST(PayloadReaders, ImageThenSettings)
{
    const PanoSettings settings = SettingsNamed("Harbour");
    TempFile exe(Executable(PayloadBytes()
                                .Record(PAYLOAD_IMAGE, kJpegStart, sizeof kJpegStart)
                                .Record(PAYLOAD_SETTINGS, &settings, sizeof settings)));
    EXPECT_EQ(FindPanoImage(exe.CPath(), kStubSize), int32_t{kStubSize + 4 + 5});
    const auto read = ReadPanoSettings(exe.CPath(), kStubSize);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(std::memcmp(read.get(), &settings, sizeof settings), 0);
}

TEST(PayloadReaders, SettingsFirstAndUnknownRecordsAreSkippedByLength)
{
    const PanoSettings settings = SettingsNamed("first");
    const uint8_t junk[3] = {1, 2, 3};
    TempFile exe(Executable(PayloadBytes()
                                .Record(7, junk, sizeof junk)
                                .Record(PAYLOAD_SETTINGS, &settings, sizeof settings)
                                .Record(PAYLOAD_IMAGE, kJpegStart, sizeof kJpegStart)));
    const int32_t imageData = kStubSize + 4 + (5 + 3) + (5 + 688) + 5;
    EXPECT_EQ(FindPanoImage(exe.CPath(), kStubSize), imageData);
    const auto read = ReadPanoSettings(exe.CPath(), kStubSize);
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(read->title, "first");
}

TEST(PayloadReaders, ImageAtTheSampleOffset)
{
    constexpr uint32_t kSampleOffset = 0x3B000;
    PayloadBytes file;
    file.Fill(0, kSampleOffset);
    const PanoSettings settings = SettingsNamed("");
    PayloadBytes body;
    body.Record(PAYLOAD_IMAGE, kJpegStart, sizeof kJpegStart)
        .Record(PAYLOAD_SETTINGS, &settings, sizeof settings);
    file.U32(static_cast<uint32_t>(body.Size())).Raw(body.Bytes().data(), body.Size());
    TempFile exe(file.Bytes());
    EXPECT_EQ(FindPanoImage(exe.CPath(), kSampleOffset), 241673);
}

TEST(PayloadReaders, MissingRecordsEndTheWalkAsNotFound)
{
    const PanoSettings settings = SettingsNamed("");
    TempFile onlySettings(Executable(PayloadBytes().Record(PAYLOAD_SETTINGS, &settings, 688)));
    EXPECT_EQ(FindPanoImage(onlySettings.CPath(), kStubSize), -1);

    TempFile onlyImage(Executable(PayloadBytes().Record(PAYLOAD_IMAGE, kJpegStart, 6)));
    EXPECT_EQ(ReadPanoSettings(onlyImage.CPath(), kStubSize), nullptr);

    TempFile noPayload(Stub().Bytes());
    EXPECT_EQ(ReadPanoSettings(noPayload.CPath(), kStubSize), nullptr);
    EXPECT_EQ(FindPanoImage(noPayload.CPath(), kStubSize), -1);
    EXPECT_EQ(FindPanoImage(noPayload.CPath(), 1u << 30), -1);
}

TEST(PayloadReaders, UnreadableFile)
{
    EXPECT_EQ(ReadPanoSettings("/no/such/panorama.exe", 0), nullptr);
    EXPECT_EQ(FindPanoImage("/no/such/panorama.exe", 0), 0);
    EXPECT_EQ(FindPanoImage(nullptr, 0), 0);
}

TEST(PayloadReaders, ZeroTotalLengthStillExaminesTheFirstRecord)
{
    const PanoSettings settings = SettingsNamed("zero");
    const PayloadBytes body = PayloadBytes()
                                  .Record(PAYLOAD_SETTINGS, &settings, sizeof settings)
                                  .Record(PAYLOAD_IMAGE, kJpegStart, sizeof kJpegStart);
    TempFile exe(ExecutableWithTotal(0, body));
    const auto read = ReadPanoSettings(exe.CPath(), kStubSize);
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(read->title, "zero");
    // The image comes second: the count already reached the total.
    EXPECT_EQ(FindPanoImage(exe.CPath(), kStubSize), -1);
}

TEST(PayloadReaders, ShortSettingsRecordReadsOnIntoTheFollowingBytes)
{
    const PanoSettings settings = SettingsNamed("short");
    PayloadBytes body;
    body.U8(PAYLOAD_SETTINGS).U32(600).Raw(&settings, 600).Fill(0xAB, 200);
    TempFile exe(Executable(body));
    const auto read = ReadPanoSettings(exe.CPath(), kStubSize);
    ASSERT_NE(read, nullptr);
    const auto* bytes = reinterpret_cast<const uint8_t*>(read.get());
    EXPECT_EQ(std::memcmp(bytes, &settings, 600), 0);
    for (size_t i = 600; i < 688; ++i) {
        ASSERT_EQ(bytes[i], 0xAB) << "byte " << i;
    }
}

TEST(PayloadReaders, SettingsCutShortByTheEndOfFileAreZeroFilled)
{
    const PanoSettings settings = SettingsNamed("cut");
    PayloadBytes body;
    body.U8(PAYLOAD_SETTINGS).U32(688).Raw(&settings, 100);
    TempFile exe(Executable(body));
    const auto read = ReadPanoSettings(exe.CPath(), kStubSize);
    ASSERT_NE(read, nullptr);
    const auto* bytes = reinterpret_cast<const uint8_t*>(read.get());
    EXPECT_EQ(std::memcmp(bytes, &settings, 100), 0);
    for (size_t i = 100; i < 688; ++i) {
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
    }
}

TEST(PayloadReaders, LongSettingsRecordReadsExactlyTheRecord)
{
    PanoSettings settings = SettingsNamed("long");
    settings.startFullscreen = 1;
    PayloadBytes body;
    body.U8(PAYLOAD_SETTINGS).U32(1000).Raw(&settings, sizeof settings).Fill(0xEE, 312);
    TempFile exe(Executable(body));
    const auto read = ReadPanoSettings(exe.CPath(), kStubSize);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(std::memcmp(read.get(), &settings, sizeof settings), 0);
}

TEST(PayloadReaders, LengthsThatSeekBackwardsOrPastTheEndEndTheWalk)
{
    struct Case {
        const char* label;
        uint32_t length;
    };
    // 0xFFFFFFFB as a 32-bit seek would step back onto the same record forever.
    const Case cases[] = {
        {"backwards by five", 0xFFFFFFFBu},
        {"backwards to the payload start", 0xFFFFFFF0u},
        {"past the end of the file", 1000},
        {"far past the end", 0x7FFFFFFFu},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const PanoSettings settings = SettingsNamed("");
        PayloadBytes body;
        body.U8(9).U32(c.length).Record(PAYLOAD_SETTINGS, &settings, sizeof settings)
            .Record(PAYLOAD_IMAGE, kJpegStart, sizeof kJpegStart);
        TempFile exe(ExecutableWithTotal(0x7FFFFFFF, body));
        EXPECT_EQ(ReadPanoSettings(exe.CPath(), kStubSize), nullptr);
        EXPECT_EQ(FindPanoImage(exe.CPath(), kStubSize), -1);
    }
}

TEST(PayloadReaders, ReadsCutShortEndTheWalk)
{
    struct Case {
        const char* label;
        PayloadBytes body;
    };
    const Case cases[] = {
        {"no total length", PayloadBytes().U8(1)},
        {"no type byte", PayloadBytes().U32(100)},
        {"length field cut", PayloadBytes().U32(100).U8(7).U8(1)},
        {"image length cut", PayloadBytes().U32(100).U8(PAYLOAD_IMAGE).U8(1).U8(0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        PayloadBytes file = Stub();
        file.Raw(c.body.Bytes().data(), c.body.Size());
        TempFile exe(file.Bytes());
        EXPECT_EQ(ReadPanoSettings(exe.CPath(), kStubSize), nullptr);
        EXPECT_EQ(FindPanoImage(exe.CPath(), kStubSize), -1);
    }
}

namespace {

struct OptionsCase {
    const char* what;
    std::vector<uint8_t> record;  // type, length and data; empty: no options record
    uint32_t features;
    MonitorUse monitors = MonitorUse::Black;
    uint32_t slideMs = kDefaultSlideMs;
    SlideOrder order = SlideOrder::Given;
};

std::vector<uint8_t> OptionsRecord(uint32_t length, std::vector<uint32_t> words)
{
    PayloadBytes record;
    record.U8(PAYLOAD_OPTIONS).U32(length);
    for (const uint32_t word : words) {
        record.U32(word);
    }
    return record.Bytes();
}

}  // namespace

TEST(PayloadReaders, OptionsRecordIsLengthTolerantAndIgnoredWholeWhenMalformed)
{
    const OptionsCase cases[] = {
        {"none", {}, 0, MonitorUse::Primary},
        {"this version", OptionsRecord(24, {3, FEATURE_MIP_LEVELS, 1, 0, 500, 1}),
         FEATURE_MIP_LEVELS, MonitorUse::Span, kSlideOneTurn, SlideOrder::Shuffled},
        {"version 2: slideshow defaults", OptionsRecord(12, {2, FEATURE_MIP_LEVELS, 1}),
         FEATURE_MIP_LEVELS, MonitorUse::Span},
        {"version 1: monitors default", OptionsRecord(8, {1, FEATURE_MIP_LEVELS}),
         FEATURE_MIP_LEVELS},
        {"version only: defaults", OptionsRecord(4, {1}), 0},
        {"later version: tail and unknown bits ignored",
         OptionsRecord(28, {7, FEATURE_MIP_LEVELS | 0x80000000u, 2, 9000, 0, 0, 0xFFFFFFFF}),
         FEATURE_MIP_LEVELS, MonitorUse::Primary, 9000},
        {"monitors out of range", OptionsRecord(12, {2, FEATURE_MIP_LEVELS, 3}), 0,
         MonitorUse::Primary},
        {"slide time over a day", OptionsRecord(16, {3, FEATURE_MIP_LEVELS, 0, kMaxSlideMs + 1}),
         0, MonitorUse::Primary},
        {"fade over a minute", OptionsRecord(20, {3, FEATURE_MIP_LEVELS, 0, 1, kMaxFadeMs + 1}),
         0, MonitorUse::Primary},
        {"order out of range", OptionsRecord(24, {3, FEATURE_MIP_LEVELS, 0, 1, 1, 2}), 0,
         MonitorUse::Primary},
        {"shorter than its version", OptionsRecord(3, {1}), 0, MonitorUse::Primary},
        {"version 0", OptionsRecord(8, {0, FEATURE_MIP_LEVELS}), 0, MonitorUse::Primary},
        {"runs past the end of the file", OptionsRecord(9, {1, FEATURE_MIP_LEVELS}), 0,
         MonitorUse::Primary},
    };
    const PanoSettings settings = SettingsNamed("opt");
    for (const OptionsCase& c : cases) {
        PayloadBytes body;
        body.Record(PAYLOAD_IMAGE, kJpegStart, sizeof kJpegStart)
            .Record(PAYLOAD_SETTINGS, &settings, sizeof settings)
            .Raw(c.record.data(), c.record.size());
        TempFile exe(Executable(body));
        const ViewerOptions options = ReadViewerOptions(exe.CPath(), kStubSize);
        EXPECT_EQ(options.features, c.features) << c.what;
        EXPECT_EQ(options.monitors, c.monitors) << c.what;
        EXPECT_EQ(options.slideMs, c.slideMs) << c.what;
        EXPECT_EQ(options.order, c.order) << c.what;
        EXPECT_EQ(FindPanoImage(exe.CPath(), kStubSize), int32_t{kStubSize + 4 + 5}) << c.what;
        const auto read = ReadPanoSettings(exe.CPath(), kStubSize);
        ASSERT_NE(read, nullptr) << c.what;
        EXPECT_STREQ(read->title, "opt") << c.what;
    }
}

TEST(PayloadReaders, FurtherPanoramasInRecordOrderSkippingBrokenRecords)
{
    const PanoSettings first = SettingsNamed("first");
    const PanoSettings second = SettingsNamed("second");
    const PanoSettings third = SettingsNamed("third");
    PayloadBytes body;
    body.Record(PAYLOAD_IMAGE, kJpegStart, sizeof kJpegStart)
        .Record(PAYLOAD_SETTINGS, &first, sizeof first)
        .U8(PAYLOAD_PANORAMA).U32(sizeof second + sizeof kJpegStart)
        .Raw(&second, sizeof second).Raw(kJpegStart, sizeof kJpegStart);
    const size_t secondImage = kStubSize + 4 + body.Size() - sizeof kJpegStart;
    body.Record(PAYLOAD_PANORAMA, &third, sizeof third)  // settings without an image
        .Record(PAYLOAD_OPTIONS, kJpegStart, 4)
        .U8(PAYLOAD_PANORAMA).U32(sizeof third + 1).Raw(&third, sizeof third).U8(0xFF);
    const size_t thirdImage = kStubSize + 4 + body.Size() - 1;
    const PayloadBytes cutOff = PayloadBytes(body).U8(PAYLOAD_PANORAMA).U32(4000).Raw(&third, 100);

    TempFile exe(Executable(cutOff));
    const std::vector<FurtherPanorama> further = ReadFurtherPanoramas(exe.CPath(), kStubSize);
    ASSERT_EQ(further.size(), 2u);
    EXPECT_STREQ(further[0].settings.title, "second");
    EXPECT_EQ(further[0].imageOffset, static_cast<int32_t>(secondImage));
    EXPECT_STREQ(further[1].settings.title, "third");
    EXPECT_EQ(further[1].imageOffset, static_cast<int32_t>(thirdImage));
    // The first panorama's readers see what they saw before.
    EXPECT_STREQ(ReadPanoSettings(exe.CPath(), kStubSize)->title, "first");
    EXPECT_EQ(FindPanoImage(exe.CPath(), kStubSize), int32_t{kStubSize + 4 + 5});

    TempFile none(Executable(PayloadBytes().Record(PAYLOAD_SETTINGS, &first, sizeof first)));
    EXPECT_TRUE(ReadFurtherPanoramas(none.CPath(), kStubSize).empty());
    EXPECT_TRUE(ReadFurtherPanoramas("/nonexistent/pano.exe", kStubSize).empty());
}
