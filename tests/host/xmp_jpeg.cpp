#include "xmp_jpeg.h"

#include "test_jpeg.h"

std::string GPanoXmp(const GPanoValues& values, XmpForm form, const std::string& prefix)
{
    std::string packet =
        "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'>\n"
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>\n"
        " <rdf:Description rdf:about=''\n"
        "  xmlns:" + prefix + "='http://ns.google.com/photos/1.0/panorama/'";
    if (form == XmpForm::Attributes) {
        for (const auto& [name, value] : values) {
            packet += "\n  " + prefix + ":" + name + "=\"" + value + "\"";
        }
        packet += "/>\n";
    } else {
        packet += ">\n";
        for (const auto& [name, value] : values) {
            packet += "  <" + prefix + ":" + name + ">" + value + "</" + prefix + ":" + name + ">\n";
        }
        packet += " </rdf:Description>\n";
    }
    return packet + "</rdf:RDF>\n</x:xmpmeta>\n<?xpacket end='w'?>";
}

std::vector<uint8_t> Segment(uint8_t marker, const std::string& body)
{
    const size_t length = body.size() + 2;
    std::string bytes = {'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8),
                         static_cast<char>(length & 0xFF)};
    bytes += body;
    return {bytes.begin(), bytes.end()};
}

std::string XmpBody(const std::string& packet)
{
    return std::string("http://ns.adobe.com/xap/1.0/") + '\0' + packet;
}

std::vector<uint8_t> WithSegments(const std::vector<uint8_t>& jpeg,
                                  const std::vector<std::vector<uint8_t>>& segments)
{
    const size_t firstSegmentEnd = 4 + (size_t{jpeg[4]} << 8 | jpeg[5]);
    std::vector<uint8_t> result(jpeg.begin(), jpeg.begin() + firstSegmentEnd);
    for (const std::vector<uint8_t>& segment : segments) {
        result.insert(result.end(), segment.begin(), segment.end());
    }
    result.insert(result.end(), jpeg.begin() + firstSegmentEnd, jpeg.end());
    return result;
}

std::vector<uint8_t> JpegWithXmp(uint32_t width, uint32_t height, const std::string& packet)
{
    return WithSegments(MakeTestJpeg(width, height), {Segment(0xE1, XmpBody(packet))});
}

GPanoValues Replacing(GPanoValues values, const std::string& name, const std::string& value)
{
    for (auto& entry : values) {
        if (entry.first == name) {
            entry.second = value;
        }
    }
    return values;
}
