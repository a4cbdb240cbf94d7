#include "tools/panopack/photo_sphere.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <sstream>

namespace {

// An XMP APP1 segment starts with this text and its terminating NUL.
constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";
constexpr char kGPanoNamespace[] = "http://ns.google.com/photos/1.0/panorama/";
constexpr char kCommonPrefix[] = "GPano";

constexpr uint8_t kMarkerStartOfImage = 0xD8;
constexpr uint8_t kMarkerEndOfImage = 0xD9;
constexpr uint8_t kMarkerStartOfScan = 0xDA;
constexpr uint8_t kMarkerApp1 = 0xE1;

// GPano's integers are 32-bit signed.
constexpr uint64_t kMaxPixels = 0x7FFFFFFF;

struct FieldName {
    const char* name;
    std::optional<std::string> GPanoFields::*field;
};

const FieldName kFieldNames[] = {
    {"ProjectionType", &GPanoFields::projectionType},
    {"FullPanoWidthPixels", &GPanoFields::fullWidth},
    {"FullPanoHeightPixels", &GPanoFields::fullHeight},
    {"CroppedAreaImageWidthPixels", &GPanoFields::croppedWidth},
    {"CroppedAreaImageHeightPixels", &GPanoFields::croppedHeight},
    {"CroppedAreaLeftPixels", &GPanoFields::croppedLeft},
    {"CroppedAreaTopPixels", &GPanoFields::croppedTop},
    {"InitialViewHeadingDegrees", &GPanoFields::heading},
    {"InitialViewPitchDegrees", &GPanoFields::pitch},
    {"InitialHorizontalFOVDegrees", &GPanoFields::hfov},
};

bool IsMarkerWithoutLength(uint8_t marker)
{
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

bool IsNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' ||
           c == ':';
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t SkipSpaces(std::string_view text, size_t at)
{
    while (at < text.size() && IsSpace(text[at])) {
        ++at;
    }
    return at;
}

std::string_view Trim(std::string_view text)
{
    const size_t first = SkipSpaces(text, 0);
    size_t end = text.size();
    while (end > first && IsSpace(text[end - 1])) {
        --end;
    }
    return text.substr(first, end - first);
}

// A quoted attribute value starting at `at` (the quote); nullopt when the
// text there is not one.
std::optional<std::string_view> QuotedValue(std::string_view text, size_t at)
{
    if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) {
        return std::nullopt;
    }
    const size_t close = text.find(text[at], at + 1);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return text.substr(at + 1, close - at - 1);
}

// Every prefix that an xmlns attribute binds to the GPano namespace.
std::vector<std::string> GPanoPrefixes(std::string_view xmp)
{
    constexpr std::string_view kBinding = "xmlns:";
    std::vector<std::string> prefixes;
    for (size_t at = xmp.find(kBinding); at != std::string_view::npos;
         at = xmp.find(kBinding, at + 1)) {
        size_t end = at + kBinding.size();
        while (end < xmp.size() && IsNameChar(xmp[end]) && xmp[end] != ':') {
            ++end;
        }
        const size_t start = at + kBinding.size();
        const std::string_view prefix = xmp.substr(start, end - start);
        const size_t next = SkipSpaces(xmp, end);
        if (prefix.empty() || next >= xmp.size() || xmp[next] != '=') {
            continue;
        }
        const std::optional<std::string_view> uri = QuotedValue(xmp, SkipSpaces(xmp, next + 1));
        if (uri && *uri == kGPanoNamespace &&
            std::find(prefixes.begin(), prefixes.end(), prefix) == prefixes.end()) {
            prefixes.emplace_back(prefix);
        }
    }
    if (prefixes.empty()) {
        prefixes.emplace_back(kCommonPrefix);
    }
    return prefixes;
}

// The value of the qualified name at `at`: an attribute's quoted value, or
// an element's text up to its end tag. nullopt for any other mention.
std::optional<std::string_view> ValueAt(std::string_view xmp, size_t at, std::string_view name)
{
    const size_t after = at + name.size();
    if ((at > 0 && IsNameChar(xmp[at - 1])) || (after < xmp.size() && IsNameChar(xmp[after]))) {
        return std::nullopt;
    }
    const size_t next = SkipSpaces(xmp, after);
    if (at > 0 && xmp[at - 1] == '<') {
        if (next >= xmp.size() || xmp[next] != '>') {
            return std::nullopt;
        }
        const std::string endTag = "</" + std::string(name);
        const size_t close = xmp.find(endTag, next + 1);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        return Trim(xmp.substr(next + 1, close - next - 1));
    }
    if (next >= xmp.size() || xmp[next] != '=') {
        return std::nullopt;
    }
    const std::optional<std::string_view> value = QuotedValue(xmp, SkipSpaces(xmp, next + 1));
    if (!value) {
        return std::nullopt;
    }
    return Trim(*value);
}

bool ParsePixels(const std::string& text, uint32_t& value)
{
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const uint64_t parsed = std::stoull(text);
    if (parsed > kMaxPixels) {
        return false;
    }
    value = static_cast<uint32_t>(parsed);
    return true;
}

// A finite decimal number with at most one sign; no hexadecimal, no words.
bool ParseDegrees(const std::string& text, double& value)
{
    const size_t digitsStart = text.find_first_not_of("+-");
    if (digitsStart == std::string::npos || digitsStart > 1 ||
        text.find_first_not_of("0123456789.eE+-") != std::string::npos) {
        return false;
    }
    const char* first = text.data() + (text[0] == '+' ? 1 : 0);
    const char* last = text.data() + text.size();
    const std::from_chars_result result = std::from_chars(first, last, value);
    return result.ec == std::errc{} && result.ptr == last && std::isfinite(value);
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string Describe(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

// Reads an optional pixel field; absent gives fallback.
bool PixelField(const std::optional<std::string>& field, const char* name, uint32_t fallback,
                uint32_t& value, std::string& error)
{
    if (!field) {
        value = fallback;
        return true;
    }
    if (!ParsePixels(*field, value)) {
        error = std::string("GPano:") + name + " " + Quote(*field) +
                " is not a whole number of pixels";
        return false;
    }
    return true;
}

bool ReadPixelGeometry(const GPanoFields& f, PhotoSphere& s, std::string& error)
{
    if (!f.fullWidth || !f.fullHeight) {
        error = "the full panorama's size (GPano:FullPanoWidthPixels, "
                "GPano:FullPanoHeightPixels) is missing";
        return false;
    }
    if (!PixelField(f.fullWidth, "FullPanoWidthPixels", 0, s.fullWidth, error) ||
        !PixelField(f.fullHeight, "FullPanoHeightPixels", 0, s.fullHeight, error) ||
        !PixelField(f.croppedWidth, "CroppedAreaImageWidthPixels", s.fullWidth, s.croppedWidth,
                    error) ||
        !PixelField(f.croppedHeight, "CroppedAreaImageHeightPixels", s.fullHeight,
                    s.croppedHeight, error) ||
        !PixelField(f.croppedLeft, "CroppedAreaLeftPixels", 0, s.croppedLeft, error) ||
        !PixelField(f.croppedTop, "CroppedAreaTopPixels", 0, s.croppedTop, error)) {
        return false;
    }
    if (s.fullWidth == 0 || s.fullHeight == 0 || s.croppedWidth == 0 || s.croppedHeight == 0) {
        error = "a panorama or cropped size of 0 pixels";
        return false;
    }
    return true;
}

std::string Size(uint64_t width, uint64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height);
}

bool CheckPixelGeometry(const PhotoSphere& s, uint32_t imageWidth, uint32_t imageHeight,
                        std::string& error)
{
    if (uint64_t{s.croppedLeft} + s.croppedWidth > s.fullWidth ||
        uint64_t{s.croppedTop} + s.croppedHeight > s.fullHeight) {
        error = "the cropped area " + Size(s.croppedWidth, s.croppedHeight) + " at " +
                std::to_string(s.croppedLeft) + ", " + std::to_string(s.croppedTop) +
                " reaches outside the " + Size(s.fullWidth, s.fullHeight) + " panorama";
        return false;
    }
    // Equirectangular pixels cover square angles: 360 degrees across, 180 down.
    const uint64_t doubleHeight = uint64_t{2} * s.fullHeight;
    const uint64_t skew = s.fullWidth > doubleHeight ? s.fullWidth - doubleHeight
                                                     : doubleHeight - s.fullWidth;
    if (skew * 100 > s.fullWidth) {
        error = "the full panorama " + Size(s.fullWidth, s.fullHeight) +
                " is not twice as wide as high";
        return false;
    }
    const uint64_t across = uint64_t{imageWidth} * s.croppedHeight;
    const uint64_t down = uint64_t{imageHeight} * s.croppedWidth;
    const uint64_t mismatch = across > down ? across - down : down - across;
    if (mismatch > std::max(s.croppedWidth, s.croppedHeight)) {
        error = "the image is " + Size(imageWidth, imageHeight) + " pixels but the cropped area " +
                Size(s.croppedWidth, s.croppedHeight);
        return false;
    }
    return true;
}

void DeriveInitialView(const GPanoFields& f, PhotoSphere& s)
{
    double value = 0;
    if (f.heading) {
        if (!ParseDegrees(*f.heading, value) || std::fabs(value) > 360) {
            s.warnings.push_back("GPano:InitialViewHeadingDegrees " + Quote(*f.heading) +
                                 " is not a heading in [-360, 360]; starting pan not taken");
        } else {
            double pan = std::fmod(value - 360.0 * s.croppedLeft / s.fullWidth, 360.0);
            pan = pan < 0 ? pan + 360.0 : pan;
            if (pan > s.panSpan) {
                s.warnings.push_back("heading " + Describe(value) +
                                     " lies outside the cropped area (pan " + Describe(pan) +
                                     " beyond 0.." + Describe(s.panSpan) +
                                     "); starting pan not taken");
            } else {
                s.initialPan = pan;
            }
        }
    }
    if (f.pitch) {
        // 0 - pitch keeps a level view at +0.
        if (!ParseDegrees(*f.pitch, value) || std::fabs(value) > 90) {
            s.warnings.push_back("GPano:InitialViewPitchDegrees " + Quote(*f.pitch) +
                                 " is not a pitch in [-90, 90]; starting tilt not taken");
        } else if (0.0 - value < s.tiltMin || 0.0 - value > s.tiltMax) {
            s.warnings.push_back("pitch " + Describe(value) +
                                 " lies outside the cropped area (tilt " + Describe(s.tiltMin) +
                                 ".." + Describe(s.tiltMax) + "); starting tilt not taken");
        } else {
            s.initialTilt = 0.0 - value;
        }
    }
    if (f.hfov) {
        if (!ParseDegrees(*f.hfov, value) || !(value > 0 && value < 180)) {
            s.warnings.push_back("GPano:InitialHorizontalFOVDegrees " + Quote(*f.hfov) +
                                 " is not a field of view in (0, 180); starting field of view"
                                 " not taken");
        } else {
            s.initialFov = value;
        }
    }
}

}  // namespace

std::string_view FindXmpPacket(const uint8_t* data, size_t size)
{
    if (size < 2 || data[0] != 0xFF || data[1] != kMarkerStartOfImage) {
        return {};
    }
    size_t at = 2;
    while (at < size && data[at] == 0xFF) {
        while (at < size && data[at] == 0xFF) {  // fill bytes
            ++at;
        }
        if (at >= size) {
            return {};
        }
        const uint8_t marker = data[at++];
        if (marker == kMarkerStartOfScan || marker == kMarkerEndOfImage || marker == 0x00) {
            return {};
        }
        if (IsMarkerWithoutLength(marker)) {
            continue;
        }
        if (size - at < 2) {
            return {};
        }
        const size_t length = size_t{data[at]} << 8 | data[at + 1];
        if (length < 2 || length > size - at) {
            return {};
        }
        const uint8_t* body = data + at + 2;
        const size_t bodySize = length - 2;
        if (marker == kMarkerApp1 && bodySize >= sizeof kXmpSignature &&
            std::memcmp(body, kXmpSignature, sizeof kXmpSignature) == 0) {
            return {reinterpret_cast<const char*>(body) + sizeof kXmpSignature,
                    bodySize - sizeof kXmpSignature};
        }
        at += length;
    }
    return {};
}

bool ReadGPanoFields(std::string_view xmp, GPanoFields& fields, std::string& error)
{
    fields = GPanoFields{};
    for (const std::string& prefix : GPanoPrefixes(xmp)) {
        for (const FieldName& field : kFieldNames) {
            const std::string name = prefix + ":" + field.name;
            std::optional<std::string>& slot = fields.*(field.field);
            for (size_t at = xmp.find(name); at != std::string_view::npos;
                 at = xmp.find(name, at + 1)) {
                const std::optional<std::string_view> value = ValueAt(xmp, at, name);
                if (!value) {
                    continue;
                }
                if (slot && *slot != *value) {
                    error = std::string("GPano:") + field.name + " is given twice, as " +
                            Quote(*slot) + " and " + Quote(std::string(*value));
                    return false;
                }
                slot = std::string(*value);
            }
        }
    }
    return true;
}

bool DerivePhotoSphere(const GPanoFields& fields, uint32_t imageWidth, uint32_t imageHeight,
                       PhotoSphere& sphere, std::string& error)
{
    PhotoSphere s;
    if (!fields.projectionType) {
        error = "GPano:ProjectionType is missing";
        return false;
    }
    if (*fields.projectionType != "equirectangular") {
        error = "projection " + Quote(*fields.projectionType) + " is not equirectangular";
        return false;
    }
    if (!ReadPixelGeometry(fields, s, error) ||
        !CheckPixelGeometry(s, imageWidth, imageHeight, error)) {
        return false;
    }
    s.panSpan = 360.0 * s.croppedWidth / s.fullWidth;
    s.tiltMin = 180.0 * s.croppedTop / s.fullHeight - 90.0;
    s.tiltMax = 180.0 * (uint64_t{s.croppedTop} + s.croppedHeight) / s.fullHeight - 90.0;
    DeriveInitialView(fields, s);
    sphere = s;
    return true;
}

PhotoSphereSearch ReadPhotoSphere(const std::vector<uint8_t>& jpeg, uint32_t imageWidth,
                                  uint32_t imageHeight, PhotoSphere& sphere, std::string& error)
{
    const std::string_view xmp = FindXmpPacket(jpeg.data(), jpeg.size());
    GPanoFields fields;
    if (!ReadGPanoFields(xmp, fields, error)) {
        return PhotoSphereSearch::Unusable;
    }
    bool any = false;
    for (const FieldName& field : kFieldNames) {
        any = any || (fields.*(field.field)).has_value();
    }
    if (!any) {
        return PhotoSphereSearch::Absent;
    }
    return DerivePhotoSphere(fields, imageWidth, imageHeight, sphere, error)
               ? PhotoSphereSearch::Found
               : PhotoSphereSearch::Unusable;
}

std::string DescribePhotoSphere(const PhotoSphere& s)
{
    std::ostringstream text;
    text << "equirectangular " << s.panSpan << " x " << s.tiltMax - s.tiltMin
         << " degrees, pan 0.." << s.panSpan << ", tilt " << s.tiltMin << ".." << s.tiltMax;
    const char* separator = ", initial view ";
    const auto part = [&](const char* name, const std::optional<double>& value) {
        if (value) {
            text << separator << name << " " << *value;
            separator = ", ";
        }
    };
    part("pan", s.initialPan);
    part("tilt", s.initialTilt);
    part("fov", s.initialFov);
    return text.str();
}
