// The payload appended to a viewer executable: a 32-bit total length, then
// typed records (u8 type, u32 length, data) back to back. The readers walk it
// from payloadOffset and return the first record of the type they want.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "package/pano_settings.h"
#include "package/viewer_options.h"

enum PayloadType : uint8_t {
    PAYLOAD_IMAGE = 0,
    PAYLOAD_SETTINGS = 1,
    PAYLOAD_OPTIONS = 2,  // ViewerOptions; readers of the settings alone skip it
    // A panorama after the first: its 688-byte settings record, then its
    // JPEG. Readers of the first panorama alone skip it.
    PAYLOAD_PANORAMA = 3,
};

// Copy of the first settings record, or null when the file cannot be read or
// has none. Always 688 bytes: a shorter record is read on into the bytes that
// follow it, and whatever lies beyond the end of the file reads as zero.
std::unique_ptr<PanoSettings> ReadPanoSettings(const char* exePath, uint32_t payloadOffset);

// File offset of the first image record's data; -1 when the payload holds no
// image record, 0 when the file cannot be opened.
int32_t FindPanoImage(const char* exePath, uint32_t payloadOffset);

// The first options record's options; no features when the payload has no
// options record or a malformed one.
ViewerOptions ReadViewerOptions(const char* exePath, uint32_t payloadOffset);

// A panorama after the first, read from its record.
struct FurtherPanorama {
    PanoSettings settings{};
    int32_t imageOffset = 0;  // file offset of its JPEG
};

// The most further panoramas a viewer takes from one payload.
constexpr size_t kMaxFurtherPanoramas = 255;

// The further panoramas in the order of their records; records too short
// for their settings, or cut off by the end of the file, are left out.
// Empty when the file cannot be read; without memory for the list, the
// ones read so far.
std::vector<FurtherPanorama> ReadFurtherPanoramas(const char* exePath, uint32_t payloadOffset);
