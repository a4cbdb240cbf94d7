#include "tools/panopack/payload_builder.h"

#include <cstring>

#include "package/payload.h"

namespace {

void AppendU32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

void AppendRecord(std::vector<uint8_t>& out, uint8_t type, const uint8_t* data, uint32_t length)
{
    out.push_back(type);
    AppendU32(out, length);
    out.insert(out.end(), data, data + length);
}

uint32_t ReadU32(const std::vector<uint8_t>& file, size_t offset)
{
    uint32_t value = 0;
    std::memcpy(&value, file.data() + offset, sizeof value);
    return value;
}

}  // namespace

PayloadFrame FramePayload(uint32_t jpegSize, const PanoSettings& settings,
                          const ViewerOptions* options, uint32_t furtherBytes)
{
    PayloadFrame frame;
    AppendRecord(frame.tail, PAYLOAD_SETTINGS, reinterpret_cast<const uint8_t*>(&settings),
                 sizeof settings);
    if (options) {
        const std::vector<uint8_t> data = EncodeViewerOptions(*options);
        AppendRecord(frame.tail, PAYLOAD_OPTIONS, data.data(), static_cast<uint32_t>(data.size()));
    }
    AppendU32(frame.head, static_cast<uint32_t>(5 + jpegSize + frame.tail.size() + furtherBytes));
    frame.head.push_back(PAYLOAD_IMAGE);
    AppendU32(frame.head, jpegSize);
    return frame;
}

std::vector<uint8_t> FurtherPanoramaHead(const PanoSettings& settings, uint32_t jpegSize)
{
    std::vector<uint8_t> head = {PAYLOAD_PANORAMA};
    AppendU32(head, static_cast<uint32_t>(sizeof settings) + jpegSize);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&settings);
    head.insert(head.end(), bytes, bytes + sizeof settings);
    return head;
}

std::vector<uint8_t> BuildPayload(const std::vector<uint8_t>& jpeg, const PanoSettings& settings,
                                  const ViewerOptions* options)
{
    PayloadFrame frame = FramePayload(static_cast<uint32_t>(jpeg.size()), settings, options);
    std::vector<uint8_t>& out = frame.head;
    out.insert(out.end(), jpeg.begin(), jpeg.end());
    out.insert(out.end(), frame.tail.begin(), frame.tail.end());
    return out;
}

bool ListPayloadRecords(const std::vector<uint8_t>& file, uint32_t payloadOffset,
                        PayloadListing& listing, std::string& error)
{
    const size_t size = file.size();
    if (size < 4 || payloadOffset > size - 4) {
        error = "no payload behind the executable";
        return false;
    }
    listing.totalLength = ReadU32(file, payloadOffset);
    size_t position = static_cast<size_t>(payloadOffset) + 4;
    // Compared with what is left: position + length wraps in a 32-bit size_t.
    if (listing.totalLength > size - position) {
        error = "the payload's total length runs past the end of the file";
        return false;
    }
    const size_t end = position + listing.totalLength;
    while (position < end) {
        if (end - position < 5) {
            error = "a record header is cut short at offset " + std::to_string(position);
            return false;
        }
        PayloadRecordInfo record{file[position], ReadU32(file, position + 1), position + 5};
        if (record.length > end - record.dataOffset) {
            error = "the record at offset " + std::to_string(position) + " runs past the payload";
            return false;
        }
        listing.records.push_back(record);
        position = record.dataOffset + record.length;
    }
    return true;
}
