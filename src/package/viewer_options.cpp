#include "package/viewer_options.h"

namespace {

constexpr size_t kVersionSize = 4;

uint32_t ReadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

void AppendU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

}  // namespace

std::optional<ViewerOptions> ParseViewerOptions(const uint8_t* data, size_t length)
{
    if (!data || length < kVersionSize) {
        return std::nullopt;
    }
    const uint32_t version = ReadU32(data);
    if (version == 0) {
        return std::nullopt;
    }
    ViewerOptions options;
    options.monitors = MonitorUse::Black;
    if (length >= kVersionSize + 4) {
        options.features = ReadU32(data + 4) & kKnownFeatures;
    }
    if (length >= kVersionSize + 8) {
        const uint32_t monitors = ReadU32(data + 8);
        if (monitors >= kMonitorUseCount) {
            return std::nullopt;
        }
        options.monitors = static_cast<MonitorUse>(monitors);
    }
    uint32_t order = 0;
    const struct {
        uint32_t* field;
        uint32_t limit;
    } slideshow[] = {{&options.slideMs, kMaxSlideMs + 1},
                     {&options.fadeMs, kMaxFadeMs + 1},
                     {&order, kSlideOrderCount}};
    size_t at = kVersionSize + 8;
    for (const auto& field : slideshow) {
        if (length >= at + 4) {
            *field.field = ReadU32(data + at);
            if (*field.field >= field.limit) {
                return std::nullopt;
            }
        }
        at += 4;
    }
    options.order = static_cast<SlideOrder>(order);
    return options;
}

std::vector<uint8_t> EncodeViewerOptions(const ViewerOptions& options)
{
    std::vector<uint8_t> data;
    AppendU32(data, kOptionsVersion);
    AppendU32(data, options.features);
    AppendU32(data, static_cast<uint32_t>(options.monitors));
    AppendU32(data, options.slideMs);
    AppendU32(data, options.fadeMs);
    AppendU32(data, static_cast<uint32_t>(options.order));
    return data;
}
