// JPEG files carrying photo-sphere metadata, written the way phones and
// stitchers write it, for the packer's tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// GPano field names without prefix, and their values as written.
using GPanoValues = std::vector<std::pair<std::string, std::string>>;

// The values with name's value replaced.
GPanoValues Replacing(GPanoValues values, const std::string& name, const std::string& value);

enum class XmpForm { Attributes, Elements };

// An XMP packet holding the fields under `prefix`, bound to the GPano
// namespace.
std::string GPanoXmp(const GPanoValues& values, XmpForm form = XmpForm::Attributes,
                     const std::string& prefix = "GPano");

// A marker segment: FF, marker, big-endian length, body.
std::vector<uint8_t> Segment(uint8_t marker, const std::string& body);

// The body of an XMP APP1 segment holding the packet.
std::string XmpBody(const std::string& packet);

// The JPEG with the segments inserted behind its first (JFIF) segment.
std::vector<uint8_t> WithSegments(const std::vector<uint8_t>& jpeg,
                                  const std::vector<std::vector<uint8_t>>& segments);

// A w x h test JPEG carrying the packet in an XMP APP1 segment.
std::vector<uint8_t> JpegWithXmp(uint32_t width, uint32_t height, const std::string& packet);
