#include "package/pano_settings.h"

#include <cstring>

ViewerSettings ConvertSettings(const PanoSettings& s)
{
    ViewerSettings v{};
    v.view.pan = DegreesToRadians(s.initialPan);
    v.view.tilt = DegreesToRadians(s.initialTilt);
    v.view.fov = DegreesToRadians(s.initialFov);
    PanoExtent& e = v.extent;
    e.panMin = DegreesToRadians(s.panMin);
    e.panMax = DegreesToRadians(s.panMax);
    e.tiltMin = DegreesToRadians(s.tiltMin);
    e.tiltMax = DegreesToRadians(s.tiltMax);
    e.panSpan = e.panMax - e.panMin;
    e.tiltSpan = e.tiltMax - e.tiltMin;
    e.fovMin = DegreesToRadians(s.fovMin);
    e.fovMax = DegreesToRadians(s.fovMax);
    e.spherical = s.spherical != 0;
    e.panWraps = s.panWraps != 0;
    v.inertiaSeconds = s.inertiaTime;
    v.dragFactor = s.dragSpeed;
    v.autoMotionEnabled = s.autoMotion;
    v.autoPanRate = DegreesToRadians(s.autoPanSpeed);
    v.autoTiltRate = DegreesToRadians(s.autoTiltSpeed);
    v.autoZoomRate = s.autoZoomFactor;
    v.idleDelayMs = s.idleDelay * 1000.0;
    v.textColor = static_cast<uint32_t>(s.textColor);
    v.shadowColor = static_cast<uint32_t>(s.shadowColor);
    return v;
}

size_t TitleLength(const PanoSettings& settings)
{
    const void* end = std::memchr(settings.title, '\0', sizeof settings.title);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - settings.title)
               : sizeof settings.title;
}

void BuildWindowTitle(const PanoSettings& settings, char (&buffer)[kWindowTitleCapacity])
{
    static const char kBase[] = "Panorama";
    static const char kSeparator[] = " - ";
    static_assert(sizeof kBase - 1 + sizeof kSeparator - 1 + sizeof PanoSettings::title
                  < kWindowTitleCapacity);

    char* out = buffer;
    std::memcpy(out, kBase, sizeof kBase - 1);
    out += sizeof kBase - 1;
    const size_t titleLength = TitleLength(settings);
    if (titleLength > 0) {
        std::memcpy(out, kSeparator, sizeof kSeparator - 1);
        out += sizeof kSeparator - 1;
        std::memcpy(out, settings.title, titleLength);
        out += titleLength;
    }
    *out = '\0';
}
