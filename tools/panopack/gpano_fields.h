// Photo-sphere metadata as written: the XMP packet of a JPEG and the GPano
// fields that phones and stitchers put in it, unparsed. Only the standard
// XMP packet is read; extended XMP segments (large packets split over
// several APP1 segments) are skipped. Every byte here comes from an
// untrusted file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The XMP packet of the first standard XMP APP1 segment before the image
// data, as a view into data; empty when there is none. Never reads past
// data + size.
std::string_view FindXmpPacket(const uint8_t* data, size_t size);

// The GPano fields as written, unparsed.
struct GPanoFields {
    std::optional<std::string> projectionType;
    std::optional<std::string> fullWidth, fullHeight;
    std::optional<std::string> croppedWidth, croppedHeight, croppedLeft, croppedTop;
    std::optional<std::string> heading, pitch, hfov;
};

// Reads the GPano fields of an XMP packet, written as attributes or as
// elements, under every prefix bound to the GPano namespace (under "GPano"
// when the packet binds none). Refuses a field given twice with different
// values.
bool ReadGPanoFields(std::string_view xmp, GPanoFields& fields, std::string& error);

// Some GPano field is given.
bool HasGPanoField(const GPanoFields& fields);

// Text from the metadata fit for a message: in single quotes, bytes outside
// printable ASCII written as \xHH, and a long value cut with its length.
std::string QuoteMetadata(std::string_view text);
