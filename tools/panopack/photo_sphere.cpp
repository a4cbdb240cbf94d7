// The sphere that photo-sphere metadata describes, derived from the GPano
// fields and checked against each other and against the image.
#include "tools/panopack/photo_sphere.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <sstream>

namespace {

// GPano's integers are 32-bit signed.
constexpr uint64_t kMaxPixels = 0x7FFFFFFF;

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
        error = std::string("GPano:") + name + " " + QuoteMetadata(*field) +
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
            s.warnings.push_back("GPano:InitialViewHeadingDegrees " + QuoteMetadata(*f.heading) +
                                 " is not a heading in [-360, 360]; starting pan not taken");
        } else {
            double pan = std::fmod(value - 360.0 * s.croppedLeft / s.fullWidth, 360.0);
            pan = pan < 0 ? pan + 360.0 : pan;
            // A heading of -0 or -360 is the crop's left edge, pan 0, not -0.
            pan = pan == 0 ? 0.0 : pan;
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
            s.warnings.push_back("GPano:InitialViewPitchDegrees " + QuoteMetadata(*f.pitch) +
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
            s.warnings.push_back("GPano:InitialHorizontalFOVDegrees " + QuoteMetadata(*f.hfov) +
                                 " is not a field of view in (0, 180); starting field of view"
                                 " not taken");
        } else {
            s.initialFov = value;
        }
    }
}

}  // namespace

bool DerivePhotoSphere(const GPanoFields& fields, uint32_t imageWidth, uint32_t imageHeight,
                       PhotoSphere& sphere, std::string& error)
{
    PhotoSphere s;
    if (!fields.projectionType) {
        error = "GPano:ProjectionType is missing";
        return false;
    }
    if (*fields.projectionType != "equirectangular") {
        error = "projection " + QuoteMetadata(*fields.projectionType) + " is not equirectangular";
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
    if (!HasGPanoField(fields)) {
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
