#include "tools/panopack/gpano_fields.h"

#include <cctype>
#include <cstring>
#include <set>

namespace {

// An XMP APP1 segment starts with this text and its terminating NUL.
constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";
constexpr char kGPanoNamespace[] = "http://ns.google.com/photos/1.0/panorama/";
constexpr char kCommonPrefix[] = "GPano";

constexpr uint8_t kMarkerStartOfImage = 0xD8;
constexpr uint8_t kMarkerEndOfImage = 0xD9;
constexpr uint8_t kMarkerStartOfScan = 0xDA;
constexpr uint8_t kMarkerApp1 = 0xE1;

// Quoted metadata is cut after this many bytes: a packet may hold tens of
// kilobytes where a number belongs.
constexpr size_t kQuotedBytes = 40;

struct FieldName {
    std::string_view name;
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

// Every prefix that an xmlns attribute binds to the GPano namespace, as
// views into the packet.
std::set<std::string_view> GPanoPrefixes(std::string_view xmp)
{
    constexpr std::string_view kBinding = "xmlns:";
    std::set<std::string_view> prefixes;
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
        if (uri && *uri == kGPanoNamespace) {
            prefixes.insert(prefix);
        }
    }
    if (prefixes.empty()) {
        prefixes.insert(kCommonPrefix);
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

// Where the qualified name ending in `local` at `at` starts: `at` less its
// prefix and colon; npos when no colon precedes the local name.
size_t QualifiedNameStart(std::string_view xmp, size_t at)
{
    if (at == 0 || xmp[at - 1] != ':') {
        return std::string_view::npos;
    }
    size_t start = at - 1;
    while (start > 0 && IsNameChar(xmp[start - 1]) && xmp[start - 1] != ':') {
        --start;
    }
    return start;
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
    const std::set<std::string_view> prefixes = GPanoPrefixes(xmp);
    // One pass over the packet per field, whatever the number of prefixes:
    // each mention of the field's local name is checked for a bound prefix.
    for (const FieldName& field : kFieldNames) {
        std::optional<std::string>& slot = fields.*(field.field);
        for (size_t at = xmp.find(field.name); at != std::string_view::npos;
             at = xmp.find(field.name, at + 1)) {
            const size_t start = QualifiedNameStart(xmp, at);
            if (start == std::string_view::npos ||
                prefixes.count(xmp.substr(start, at - 1 - start)) == 0) {
                continue;
            }
            const std::string_view name = xmp.substr(start, at + field.name.size() - start);
            const std::optional<std::string_view> value = ValueAt(xmp, start, name);
            if (!value) {
                continue;
            }
            if (slot && *slot != *value) {
                error = "GPano:" + std::string(field.name) + " is given twice, as " +
                        QuoteMetadata(*slot) + " and " + QuoteMetadata(*value);
                return false;
            }
            slot = std::string(*value);
        }
    }
    return true;
}

bool HasGPanoField(const GPanoFields& fields)
{
    for (const FieldName& field : kFieldNames) {
        if ((fields.*(field.field)).has_value()) {
            return true;
        }
    }
    return false;
}

std::string QuoteMetadata(std::string_view text)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string quoted = "'";
    for (const char c : text.substr(0, kQuotedBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && c != '\\') {
            quoted += c;
        } else {
            quoted += {'\\', 'x', kHex[byte >> 4], kHex[byte & 0xF]};
        }
    }
    quoted += "'";
    if (text.size() > kQuotedBytes) {
        quoted += "... (" + std::to_string(text.size()) + " bytes)";
    }
    return quoted;
}
