// Derives the settings record of `panopack create` from its options, the
// image's size and any photo-sphere metadata, checking every value against
// what the viewer can show.
#include "tools/panopack/pack_settings.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <sstream>

#include "tools/panopack/pack_options.h"
#include "tools/panopack/photo_sphere.h"

namespace {

std::string Describe(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

// Refuses a value outside [low, high] (or the open ends, when asked).
bool CheckRange(const char* option, double value, double low, double high, bool openLow,
                bool openHigh, std::string& error)
{
    const bool lowOk = openLow ? value > low : value >= low;
    const bool highOk = openHigh ? value < high : value <= high;
    if (lowOk && highOk) {
        return true;
    }
    error = std::string(option) + " " + Describe(value) + " is outside " + (openLow ? "(" : "[") +
            Describe(low) + ", " + Describe(high) + (openHigh ? ")" : "]");
    return false;
}

bool CheckClosed(const char* option, double value, double low, double high, std::string& error)
{
    return CheckRange(option, value, low, high, false, false, error);
}

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;

// Tilt extent of a cylinder whose width wraps over panSpan degrees: the
// image's height on the unit cylinder is tan(tiltMax) - tan(tiltMin).
struct TiltExtent {
    double min, max;
};

TiltExtent CylinderTilt(const PackOptions& o, double panSpan, double aspect)
{
    const double height = aspect * panSpan / kDegreesPerRadian;
    const auto degreesTan = [](double d) { return std::tan(d / kDegreesPerRadian); };
    const auto degreesAtan = [](double t) { return std::atan(t) * kDegreesPerRadian; };
    if (o.tiltMin && o.tiltMax) {
        return {*o.tiltMin, *o.tiltMax};
    }
    if (o.tiltMin) {
        return {*o.tiltMin, degreesAtan(degreesTan(*o.tiltMin) + height)};
    }
    if (o.tiltMax) {
        return {degreesAtan(degreesTan(*o.tiltMax) - height), *o.tiltMax};
    }
    return {-degreesAtan(height / 2), degreesAtan(height / 2)};
}

// An equirectangular image covers as many degrees down as its aspect gives.
TiltExtent SphereTilt(const PackOptions& o, double panSpan, double aspect)
{
    const double span = aspect * panSpan;
    if (o.tiltMin && o.tiltMax) {
        return {*o.tiltMin, *o.tiltMax};
    }
    if (o.tiltMin) {
        return {*o.tiltMin, *o.tiltMin + span};
    }
    if (o.tiltMax) {
        return {*o.tiltMax - span, *o.tiltMax};
    }
    return {-span / 2, span / 2};
}

// The projection and the part of the view directions the image covers.
struct Extent {
    bool spherical;
    double panMin, panMax;
    TiltExtent tilt;
};

// The tilt extent follows from the pan extent and the image's aspect unless
// both limits are given.
bool DeriveTilt(const PackOptions& o, double aspect, Extent& e, std::string& error)
{
    const double tiltLimit = 90.0;
    e.tilt = e.spherical ? SphereTilt(o, e.panMax - e.panMin, aspect)
                         : CylinderTilt(o, e.panMax - e.panMin, aspect);
    const bool openTilt = !e.spherical;
    if (!CheckRange("--tilt-min", e.tilt.min, -tiltLimit, tiltLimit, openTilt, openTilt, error) ||
        !CheckRange("--tilt-max", e.tilt.max, -tiltLimit, tiltLimit, openTilt, openTilt, error)) {
        error += o.tiltMin || o.tiltMax ? "" : " (derived from the image; give --hfov or the limits)";
        return false;
    }
    if (!(e.tilt.max > e.tilt.min)) {
        error = "--tilt-max " + Describe(e.tilt.max) + " must be greater than --tilt-min " +
                Describe(e.tilt.min);
        return false;
    }
    return true;
}

bool DeriveExtent(const PackOptions& o, const JpegInfo& image, Extent& e, std::string& error)
{
    if (image.width == 0 || image.height == 0) {
        error = "the image has no pixels";
        return false;
    }
    const double aspect = static_cast<double>(image.height) / image.width;

    if (o.hfov && !CheckRange("--hfov", *o.hfov, 0, kFullCircle, true, false, error)) {
        return false;
    }
    e.spherical = o.spherical.value_or(kDefaultSpherical);
    const double hfov = o.hfov.value_or(kDefaultHfov);
    e.panMin = o.panMin.value_or(0.0);
    e.panMax = o.panMax.value_or(e.panMin + hfov);
    if (!(e.panMax > e.panMin)) {
        error = "--pan-max " + Describe(e.panMax) + " must be greater than --pan-min " +
                Describe(e.panMin);
        return false;
    }
    if (!CheckRange("pan extent (--pan-max minus --pan-min)", e.panMax - e.panMin, 0, kFullCircle,
                    true, false, error)) {
        return false;
    }
    return DeriveTilt(o, aspect, e, error);
}

// The zoom limits and the view the viewer starts with.
struct View {
    double fovMin, fovMax;
    double initialFov, initialPan, initialTilt;
};

bool DeriveView(const PackOptions& o, const Extent& e, View& v, std::string& error)
{
    v.fovMin = o.fovMin.value_or(kDefaultFovMin);
    v.fovMax = o.fovMax.value_or(kDefaultFovMax);
    if (!CheckRange("--fov-min", v.fovMin, 0, kFovLimit, true, true, error) ||
        !CheckRange("--fov-max", v.fovMax, 0, kFovLimit, true, true, error)) {
        return false;
    }
    if (v.fovMax < v.fovMin) {
        error = "--fov-max " + Describe(v.fovMax) + " must not be below --fov-min " +
                Describe(v.fovMin);
        return false;
    }
    v.initialFov = o.initialFov.value_or(std::fmin(std::fmax(kDefaultFov, v.fovMin), v.fovMax));
    if (!CheckClosed("--fov", v.initialFov, v.fovMin, v.fovMax, error)) {
        return false;
    }
    v.initialPan = o.initialPan.value_or((e.panMin + e.panMax) / 2);
    v.initialTilt = o.initialTilt.value_or(e.spherical ? 0.0 : (e.tilt.min + e.tilt.max) / 2);
    return CheckClosed("--pan", v.initialPan, -360, 720, error) &&
           CheckClosed("--tilt", v.initialTilt, -90, 90, error);
}

// The window's size, how the view follows the mouse and how it moves when idle.
struct WindowAndMotion {
    double width, height;
    double inertia, dragSpeed;
    double autoPan, autoTilt, autoZoom, idleDelay;
};

bool DeriveWindowAndMotion(const PackOptions& o, WindowAndMotion& w, std::string& error)
{
    w.width = o.windowWidth.value_or(kDefaultWindowWidth);
    w.height = o.windowHeight.value_or(kDefaultWindowHeight);
    w.inertia = o.inertia.value_or(kDefaultInertia);
    w.dragSpeed = o.dragSpeed.value_or(kDefaultDragSpeed);
    w.autoPan = o.autoPanSpeed.value_or(kDefaultAutoPanSpeed);
    w.autoTilt = o.autoTiltSpeed.value_or(kDefaultAutoTiltSpeed);
    w.autoZoom = o.autoZoom.value_or(kDefaultAutoZoom);
    w.idleDelay = o.idleDelay.value_or(kDefaultIdleDelay);
    if (!CheckClosed("--window-width", w.width, 64, 16384, error) ||
        !CheckClosed("--window-height", w.height, 64, 16384, error) ||
        !CheckClosed("--inertia", w.inertia, 0, 60, error) ||
        !CheckRange("--drag-speed", w.dragSpeed, 0, 100, true, false, error) ||
        !CheckClosed("--auto-pan-speed", w.autoPan, -360, 360, error) ||
        !CheckClosed("--auto-tilt-speed", w.autoTilt, -180, 180, error) ||
        !CheckClosed("--auto-zoom", w.autoZoom, 0, 100, error) ||
        !CheckClosed("--idle-delay", w.idleDelay, 0, 86400, error)) {
        return false;
    }
    if (w.width != std::floor(w.width) || w.height != std::floor(w.height)) {
        error = "--window-width and --window-height must be whole pixels";
        return false;
    }
    return true;
}

bool CheckTitle(const std::string& title, std::string& error)
{
    if (title.size() > kMaxTitleBytes) {
        error = "--title is " + std::to_string(title.size()) + " bytes; at most " +
                std::to_string(kMaxTitleBytes) + " fit";
        return false;
    }
    return true;
}

PanoSettings FillSettings(const PackOptions& o, const Extent& e, const View& v,
                          const WindowAndMotion& w)
{
    PanoSettings s{};
    s.windowWidth = static_cast<int32_t>(w.width);
    s.windowHeight = static_cast<int32_t>(w.height);
    s.panMin = e.panMin;
    s.panMax = e.panMax;
    s.tiltMin = e.tilt.min;
    s.tiltMax = e.tilt.max;
    s.fovMin = v.fovMin;
    s.fovMax = v.fovMax;
    s.initialPan = v.initialPan;
    s.initialTilt = v.initialTilt;
    s.initialFov = v.initialFov;
    s.spherical = e.spherical;
    s.inertiaTime = w.inertia;
    s.dragSpeed = w.dragSpeed;
    s.textColor = static_cast<int32_t>(o.textColor.value_or(kDefaultTextColour));
    s.shadowColor = static_cast<int32_t>(o.shadowColor.value_or(kDefaultShadowColour));
    s.reserved2 = 4;
    s.autoMotion = o.autoMotion.value_or(kDefaultAutoMotion);
    s.autoPanSpeed = w.autoPan;
    s.autoTiltSpeed = w.autoTilt;
    s.autoZoomFactor = w.autoZoom;
    s.idleDelay = w.idleDelay;
    s.panWraps = o.panWraps.value_or(e.panMax - e.panMin == kFullCircle);
    std::memcpy(s.title, o.title.data(), o.title.size());
    s.screensaver = o.screensaver;
    s.reserved5 = 1;
    s.startFullscreen = o.fullscreen;
    return s;
}

bool GivesGeometry(const PackOptions& o)
{
    return o.spherical.has_value() || o.hfov || o.panMin || o.panMax || o.tiltMin || o.tiltMax;
}

// The options with the sphere's geometry and the parts of its starting view
// the command line leaves open; the sphere keeps only the parts taken.
PackOptions WithPhotoSphere(const PackOptions& o, PhotoSphere& sphere,
                            std::vector<std::string>& warnings)
{
    PackOptions taken = o;
    taken.spherical = true;
    taken.panMin = 0.0;
    taken.panMax = sphere.panSpan;
    taken.tiltMin = sphere.tiltMin;
    taken.tiltMax = sphere.tiltMax;
    const double fovMin = o.fovMin.value_or(kDefaultFovMin);
    const double fovMax = o.fovMax.value_or(kDefaultFovMax);
    const std::optional<double> fov = sphere.initialFov;
    if (fov && !o.initialFov && !(*fov >= fovMin && *fov <= fovMax)) {
        warnings.push_back("photo sphere field of view " + Describe(*fov) +
                           " lies outside the zoom limits " + Describe(fovMin) + ".." +
                           Describe(fovMax) + "; starting field of view not taken");
        sphere.initialFov.reset();
    }
    const auto take = [](const std::optional<double>& given, std::optional<double>& fromSphere,
                         std::optional<double>& result) {
        if (given) {
            fromSphere.reset();
        } else if (fromSphere) {
            result = fromSphere;
        }
    };
    take(o.initialPan, sphere.initialPan, taken.initialPan);
    take(o.initialTilt, sphere.initialTilt, taken.initialTilt);
    take(o.initialFov, sphere.initialFov, taken.initialFov);
    return taken;
}

}  // namespace

bool MakePanoSettings(const PackOptions& o, const JpegInfo& image, PanoSettings& s,
                      std::string& error)
{
    Extent extent{};
    View view{};
    WindowAndMotion window{};
    if (!DeriveExtent(o, image, extent, error) || !DeriveView(o, extent, view, error) ||
        !DeriveWindowAndMotion(o, window, error) || !CheckTitle(o.title, error)) {
        return false;
    }
    s = FillSettings(o, extent, view, window);
    return true;
}

bool MakePanoSettingsForImage(const PackOptions& o, const std::vector<uint8_t>& jpeg,
                              const JpegInfo& image, PanoSettings& settings, PhotoSphereUse& use,
                              std::string& error)
{
    use = PhotoSphereUse{};
    PhotoSphere sphere;
    std::string problem;
    switch (ReadPhotoSphere(jpeg, image.width, image.height, sphere, problem)) {
    case PhotoSphereSearch::Absent:
        return MakePanoSettings(o, image, settings, error);
    case PhotoSphereSearch::Unusable:
        use.warnings.push_back("photo sphere metadata ignored: " + problem);
        return MakePanoSettings(o, image, settings, error);
    case PhotoSphereSearch::Found:
        break;
    }
    if (GivesGeometry(o)) {
        use.note = "photo sphere metadata not used: the command line gives the projection or "
                   "extent";
        return MakePanoSettings(o, image, settings, error);
    }
    use.warnings = sphere.warnings;
    const PackOptions taken = WithPhotoSphere(o, sphere, use.warnings);
    if (MakePanoSettings(taken, image, settings, problem)) {
        use.note = "photo sphere metadata: " + DescribePhotoSphere(sphere);
        return true;
    }
    // Refused by the checks: the usual derivation applies. A refusal of the
    // command line's own options shows as the error, without the warning.
    use.warnings.clear();
    if (!MakePanoSettings(o, image, settings, error)) {
        return false;
    }
    use.warnings.push_back("photo sphere metadata ignored: " + problem);
    return true;
}
