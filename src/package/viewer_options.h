// The options record: what the viewer does beyond the settings record. A
// payload without one shows exactly what the settings record describes.
//
// Data, little-endian: u32 version, u32 features, u32 monitors (from
// version 2), u32 slide and u32 fade milliseconds and u32 order (from
// version 3), then the fields later versions append. Fields only ever grow
// at the end and keep their meaning, so a shorter record gives the defaults
// of the fields it lacks and a longer one's tail is ignored. A record
// shorter than its version field, of version 0, with a value out of range,
// or cut off by the end of the file is ignored as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

enum ViewerFeature : uint32_t {
    // Every tile gets a full chain of mip levels, sampled trilinearly.
    FEATURE_MIP_LEVELS = 0x1,
    // An image over the memory limit is decoded at the largest scale that
    // fits (7/8 down to 1/8) instead of being refused.
    FEATURE_SCALED_DECODE = 0x2,
    // The tiles' pixels are given up once their textures hold them, and
    // read back from the textures when a new device needs them.
    FEATURE_PIXELS_IN_TEXTURES = 0x4,
    // The window opens as soon as the image's size is known, and each tile's
    // texture is built as soon as the tile is decoded, while the rest of the
    // image decodes.
    FEATURE_TEXTURES_WHILE_DECODING = 0x8,
    // Frames only when the picture can change, never faster than the
    // display refreshes.
    FEATURE_PACED_FRAMES = 0x10,
    // A screensaver started with /p and a window draws a live preview in a
    // child of that window, the image decoded at a size fit for it.
    FEATURE_PREVIEW = 0x20,
    // The panoramas after the first (their own records) take turns with it,
    // each crossfading into the next.
    FEATURE_SLIDESHOW = 0x40,
    // The tiles' vertices live in a vertex buffer of the device, made once,
    // instead of going to the device from the program's memory every frame.
    FEATURE_VERTEX_BUFFERS = 0x80,
};

// Features this viewer knows; the packer turns all of them on.
constexpr uint32_t kKnownFeatures = FEATURE_MIP_LEVELS | FEATURE_SCALED_DECODE |
                                    FEATURE_PIXELS_IN_TEXTURES | FEATURE_TEXTURES_WHILE_DECODING |
                                    FEATURE_PACED_FRAMES | FEATURE_PREVIEW | FEATURE_SLIDESHOW |
                                    FEATURE_VERTEX_BUFFERS;

// What a screensaver (/s) does with the monitors it does not draw on.
enum class MonitorUse : uint32_t {
    // Each is covered by a black window; a click there ends the screensaver.
    Black = 0,
    // One view across the whole desktop, in a borderless window over every monitor.
    Span = 1,
    // Left as they are; the screensaver takes only its own monitor.
    Primary = 2,
};

constexpr uint32_t kMonitorUseCount = 3;

// The order a slideshow of several panoramas goes through them.
enum class SlideOrder : uint32_t {
    Given = 0,
    // The first panorama first, the others in an order drawn anew each round.
    Shuffled = 1,
};

constexpr uint32_t kSlideOrderCount = 2;

// A slide time of 0: each wrapping panorama with automatic panning shows for
// one full turn, the others for kDefaultSlideMs.
constexpr uint32_t kSlideOneTurn = 0;
constexpr uint32_t kDefaultSlideMs = 30000;
constexpr uint32_t kDefaultFadeMs = 2000;
// The longest slide and fade times a record may give: a day and a minute.
constexpr uint32_t kMaxSlideMs = 86400000;
constexpr uint32_t kMaxFadeMs = 60000;

constexpr uint32_t kOptionsVersion = 3;

// Bytes of the fields of kOptionsVersion; a reader never looks further.
constexpr size_t kOptionsSize = 24;

struct ViewerOptions {
    uint32_t features = 0;  // ViewerFeature bits; bits of later versions are dropped
    // Without a record the screensaver takes only its own monitor; a record
    // without the field covers the others.
    MonitorUse monitors = MonitorUse::Primary;
    // How the panoramas after the first take turns: each shows for slideMs
    // (or kSlideOneTurn), then the next fades in over fadeMs.
    uint32_t slideMs = kDefaultSlideMs;
    uint32_t fadeMs = kDefaultFadeMs;
    SlideOrder order = SlideOrder::Given;

    bool Has(ViewerFeature feature) const { return (features & feature) != 0; }
};

// The options of a record's data; nothing when the record is malformed.
std::optional<ViewerOptions> ParseViewerOptions(const uint8_t* data, size_t length);

// The record's data as this version writes it.
std::vector<uint8_t> EncodeViewerOptions(const ViewerOptions& options);
