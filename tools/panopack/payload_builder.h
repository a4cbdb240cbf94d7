// Writing and listing the payload records behind a viewer executable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "package/pano_settings.h"
#include "package/viewer_options.h"

// The payload around a JPEG of jpegSize bytes: head (total length, the
// image record's type and length), the JPEG, then tail (the settings
// record and, when given, the options record). The described records come
// first, at the offsets they have without options; the total length counts
// furtherBytes of further panorama records that follow the tail.
struct PayloadFrame {
    std::vector<uint8_t> head;
    std::vector<uint8_t> tail;
};

PayloadFrame FramePayload(uint32_t jpegSize, const PanoSettings& settings,
                          const ViewerOptions* options, uint32_t furtherBytes = 0);

// A further panorama's record up to its JPEG of jpegSize bytes: type,
// length and its settings.
std::vector<uint8_t> FurtherPanoramaHead(const PanoSettings& settings, uint32_t jpegSize);

// The whole payload of a JPEG held in memory.
std::vector<uint8_t> BuildPayload(const std::vector<uint8_t>& jpeg, const PanoSettings& settings,
                                  const ViewerOptions* options);

struct PayloadRecordInfo {
    uint8_t type;
    uint32_t length;
    size_t dataOffset;  // file offset of the record's data
};

struct PayloadListing {
    uint32_t totalLength = 0;
    std::vector<PayloadRecordInfo> records;
};

// Lists every record from payloadOffset on, refusing a payload whose records
// run past the end of the file or disagree with its total length.
bool ListPayloadRecords(const std::vector<uint8_t>& file, uint32_t payloadOffset,
                        PayloadListing& listing, std::string& error);
