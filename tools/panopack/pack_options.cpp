#include "tools/panopack/pack_options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <sstream>

#include "tools/panopack/photo_sphere.h"

namespace {

struct RealOption {
    const char* name;
    std::optional<double> PackOptions::*field;
};

const RealOption kRealOptions[] = {
    {"--hfov", &PackOptions::hfov},
    {"--pan-min", &PackOptions::panMin},
    {"--pan-max", &PackOptions::panMax},
    {"--tilt-min", &PackOptions::tiltMin},
    {"--tilt-max", &PackOptions::tiltMax},
    {"--fov-min", &PackOptions::fovMin},
    {"--fov-max", &PackOptions::fovMax},
    {"--pan", &PackOptions::initialPan},
    {"--tilt", &PackOptions::initialTilt},
    {"--fov", &PackOptions::initialFov},
    {"--window-width", &PackOptions::windowWidth},
    {"--window-height", &PackOptions::windowHeight},
    {"--inertia", &PackOptions::inertia},
    {"--drag-speed", &PackOptions::dragSpeed},
    {"--auto-pan-speed", &PackOptions::autoPanSpeed},
    {"--auto-tilt-speed", &PackOptions::autoTiltSpeed},
    {"--auto-zoom", &PackOptions::autoZoom},
    {"--idle-delay", &PackOptions::idleDelay},
};

struct StringOption {
    const char* name;
    std::string PackOptions::*field;
};

const StringOption kStringOptions[] = {
    {"--stub", &PackOptions::stubPath},
    {"--image", &PackOptions::imagePath},
    {"-o", &PackOptions::outputPath},
    {"--title", &PackOptions::title},
};

// What the settings are when the command line leaves them open, and the
// limits the viewer sets. The help text prints these same values.
constexpr double kFullCircle = 360;
constexpr double kDefaultHfov = kFullCircle;
constexpr bool kDefaultSpherical = false;
constexpr double kDefaultFovMin = 5;
constexpr double kDefaultFovMax = 120;
constexpr double kDefaultFov = 75;
constexpr double kFovLimit = 180;
constexpr double kDefaultWindowWidth = 800;
constexpr double kDefaultWindowHeight = 600;
constexpr double kDefaultInertia = 0.5;
constexpr double kDefaultDragSpeed = 1;
constexpr bool kDefaultAutoMotion = true;
constexpr double kDefaultAutoPanSpeed = 2;
constexpr double kDefaultAutoTiltSpeed = 0;
constexpr double kDefaultAutoZoom = 1;
constexpr double kDefaultIdleDelay = 5;
constexpr uint32_t kDefaultTextColour = 0xFFFFFF;
constexpr uint32_t kDefaultShadowColour = 0x000000;
constexpr size_t kMaxTitleBytes = sizeof(PanoSettings::title) - 1;

const char* ProjectionName(bool spherical) { return spherical ? "sphere" : "cylinder"; }

std::string Hex(uint32_t colour)
{
    std::ostringstream text;
    text << "0x" << std::hex << std::uppercase << std::setw(6) << std::setfill('0') << colour;
    return text.str();
}

std::string MakeHelp()
{
    std::ostringstream h;
    h << "  --stub FILE            viewer executable to pack into (a packed one is repacked;\n"
         "                         default: the viewer this packer carries)\n"
         "  --image FILE           panorama JPEG\n"
         "  -o FILE                output executable\n"
         "  --projection cylinder|sphere   image projection (default "
      << ProjectionName(kDefaultSpherical) << ")\n"
      << "  --hfov DEG             horizontal extent of the image (default " << kDefaultHfov
      << ")\n"
         "  --pan-min DEG, --pan-max DEG   pan extent (default 0 and --hfov)\n"
         "  --tilt-min DEG, --tilt-max DEG tilt extent, top and bottom edge (default:\n"
         "                         derived from the image's aspect, centred on the horizon)\n"
      << "  --fov-min DEG, --fov-max DEG   zoom limits, in (0, " << kFovLimit << ") (default "
      << kDefaultFovMin << " and " << kDefaultFovMax << ")\n"
      << "  --pan DEG, --tilt DEG, --fov DEG  starting view (default: centre, " << kDefaultFov
      << ")\n"
      << "  --window-width PX, --window-height PX  window size (default " << kDefaultWindowWidth
      << " x " << kDefaultWindowHeight << ")\n"
      << "  --inertia SEC          mouse inertia, 0 for none (default " << kDefaultInertia << ")\n"
      << "  --drag-speed X         mouse speed factor (default " << kDefaultDragSpeed << ")\n"
      << "  --auto-motion, --no-auto-motion  automatic motion when idle (default "
      << (kDefaultAutoMotion ? "on" : "off") << ")\n"
      << "  --auto-pan-speed DEG/S, --auto-tilt-speed DEG/S (default " << kDefaultAutoPanSpeed
      << " and " << kDefaultAutoTiltSpeed << ")\n"
      << "  --auto-zoom FACTOR     field-of-view factor per second (default " << kDefaultAutoZoom
      << ")\n"
      << "  --idle-delay SEC       idle time before automatic motion (default "
      << kDefaultIdleDelay << ")\n"
      << "  --pan-wraps, --no-pan-wraps  pan without limits (default: on for " << kFullCircle
      << " degrees)\n"
      << "  --title TEXT           title shown over the panorama (at most " << kMaxTitleBytes
      << " bytes)\n"
      << "  --text-color 0xRRGGBB, --shadow-color 0xRRGGBB (default " << Hex(kDefaultTextColour)
      << ", " << Hex(kDefaultShadowColour) << ")\n"
         "  --screensaver          make a screensaver\n"
         "  --no-screensaver       a plain viewer also when OUT ends in .scr\n"
         "  --fullscreen           start full screen\n"
         "  --no-options           no options record: the viewer does exactly what the\n"
         "                         settings describe (no mip levels, no smaller decode)\n"
         "Photo-sphere metadata (GPano XMP) in the image gives the projection, extent and\n"
         "starting view unless --projection, --hfov or a pan or tilt limit is given;\n"
         "--pan, --tilt and --fov still override its starting view.\n";
    return h.str();
}

bool ParseReal(const std::string& text, double& value)
{
    if (text.empty()) {
        return false;
    }
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return *end == '\0' && std::isfinite(value);
}

bool ParseColour(std::string text, uint32_t& value)
{
    if (text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0) {
        text = text.substr(2);
    } else if (text.rfind('#', 0) == 0) {
        text = text.substr(1);
    }
    if (text.empty() || text.size() > 6 ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return false;
    }
    value = static_cast<uint32_t>(std::strtoul(text.c_str(), nullptr, 16));
    return true;
}

template <typename Table>
auto FindOption(const Table& table, const std::string& name) -> decltype(&table[0])
{
    for (const auto& entry : table) {
        if (name == entry.name) {
            return &entry;
        }
    }
    return nullptr;
}

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

std::string PackOptionsHelp() { return MakeHelp(); }

bool ParsePackOptions(const std::vector<std::string>& args, PackOptions& options,
                      std::string& error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--screensaver") {
            options.screensaver = true;
        } else if (name == "--no-screensaver") {
            options.noScreensaver = true;
        } else if (name == "--fullscreen") {
            options.fullscreen = true;
        } else if (name == "--no-options") {
            options.noOptions = true;
        } else if (name == "--auto-motion" || name == "--no-auto-motion") {
            options.autoMotion = name == "--auto-motion";
        } else if (name == "--pan-wraps" || name == "--no-pan-wraps") {
            options.panWraps = name == "--pan-wraps";
        } else if (i + 1 >= args.size()) {
            error = name.rfind('-', 0) == 0 ? name + " needs a value" : "unexpected argument " + name;
            return false;
        } else if (const RealOption* real = FindOption(kRealOptions, name)) {
            double value = 0;
            if (!ParseReal(args[++i], value)) {
                error = name + " needs a finite number, not '" + args[i] + "'";
                return false;
            }
            options.*(real->field) = value;
        } else if (const StringOption* text = FindOption(kStringOptions, name)) {
            options.*(text->field) = args[++i];
        } else if (name == "--projection") {
            const std::string& value = args[++i];
            if (value != "cylinder" && value != "sphere") {
                error = "--projection must be cylinder or sphere, not '" + value + "'";
                return false;
            }
            options.spherical = value == "sphere";
        } else if (name == "--text-color" || name == "--shadow-color") {
            uint32_t colour = 0;
            if (!ParseColour(args[++i], colour)) {
                error = name + " needs a colour 0xRRGGBB, not '" + args[i] + "'";
                return false;
            }
            (name == "--text-color" ? options.textColor : options.shadowColor) = colour;
        } else {
            error = "unknown option " + name;
            return false;
        }
    }
    if (options.imagePath.empty() || options.outputPath.empty()) {
        error = "create needs --image and -o";
        return false;
    }
    return true;
}

bool MakePanoSettings(const PackOptions& o, const JpegInfo& image, PanoSettings& s,
                      std::string& error)
{
    if (image.width == 0 || image.height == 0) {
        error = "the image has no pixels";
        return false;
    }
    const double aspect = static_cast<double>(image.height) / image.width;

    if (o.hfov && !CheckRange("--hfov", *o.hfov, 0, kFullCircle, true, false, error)) {
        return false;
    }
    const bool spherical = o.spherical.value_or(kDefaultSpherical);
    const double hfov = o.hfov.value_or(kDefaultHfov);
    const double panMin = o.panMin.value_or(0.0);
    const double panMax = o.panMax.value_or(panMin + hfov);
    if (!(panMax > panMin)) {
        error = "--pan-max " + Describe(panMax) + " must be greater than --pan-min " +
                Describe(panMin);
        return false;
    }
    if (!CheckRange("pan extent (--pan-max minus --pan-min)", panMax - panMin, 0, kFullCircle, true,
                    false, error)) {
        return false;
    }
    const double tiltLimit = 90.0;
    const TiltExtent tilt = spherical ? SphereTilt(o, panMax - panMin, aspect)
                                      : CylinderTilt(o, panMax - panMin, aspect);
    const bool openTilt = !spherical;
    if (!CheckRange("--tilt-min", tilt.min, -tiltLimit, tiltLimit, openTilt, openTilt, error) ||
        !CheckRange("--tilt-max", tilt.max, -tiltLimit, tiltLimit, openTilt, openTilt, error)) {
        error += o.tiltMin || o.tiltMax ? "" : " (derived from the image; give --hfov or the limits)";
        return false;
    }
    if (!(tilt.max > tilt.min)) {
        error = "--tilt-max " + Describe(tilt.max) + " must be greater than --tilt-min " +
                Describe(tilt.min);
        return false;
    }

    const double fovMin = o.fovMin.value_or(kDefaultFovMin);
    const double fovMax = o.fovMax.value_or(kDefaultFovMax);
    if (!CheckRange("--fov-min", fovMin, 0, kFovLimit, true, true, error) ||
        !CheckRange("--fov-max", fovMax, 0, kFovLimit, true, true, error)) {
        return false;
    }
    if (fovMax < fovMin) {
        error = "--fov-max " + Describe(fovMax) + " must not be below --fov-min " + Describe(fovMin);
        return false;
    }
    const double initialFov =
        o.initialFov.value_or(std::fmin(std::fmax(kDefaultFov, fovMin), fovMax));
    if (!CheckClosed("--fov", initialFov, fovMin, fovMax, error)) {
        return false;
    }
    const double initialPan = o.initialPan.value_or((panMin + panMax) / 2);
    const double initialTilt = o.initialTilt.value_or(spherical ? 0.0 : (tilt.min + tilt.max) / 2);
    if (!CheckClosed("--pan", initialPan, -360, 720, error) ||
        !CheckClosed("--tilt", initialTilt, -90, 90, error)) {
        return false;
    }

    const double width = o.windowWidth.value_or(kDefaultWindowWidth);
    const double height = o.windowHeight.value_or(kDefaultWindowHeight);
    const double inertia = o.inertia.value_or(kDefaultInertia);
    const double dragSpeed = o.dragSpeed.value_or(kDefaultDragSpeed);
    const double autoPan = o.autoPanSpeed.value_or(kDefaultAutoPanSpeed);
    const double autoTilt = o.autoTiltSpeed.value_or(kDefaultAutoTiltSpeed);
    const double autoZoom = o.autoZoom.value_or(kDefaultAutoZoom);
    const double idleDelay = o.idleDelay.value_or(kDefaultIdleDelay);
    if (!CheckClosed("--window-width", width, 64, 16384, error) ||
        !CheckClosed("--window-height", height, 64, 16384, error) ||
        !CheckClosed("--inertia", inertia, 0, 60, error) ||
        !CheckRange("--drag-speed", dragSpeed, 0, 100, true, false, error) ||
        !CheckClosed("--auto-pan-speed", autoPan, -360, 360, error) ||
        !CheckClosed("--auto-tilt-speed", autoTilt, -180, 180, error) ||
        !CheckClosed("--auto-zoom", autoZoom, 0, 100, error) ||
        !CheckClosed("--idle-delay", idleDelay, 0, 86400, error)) {
        return false;
    }
    if (width != std::floor(width) || height != std::floor(height)) {
        error = "--window-width and --window-height must be whole pixels";
        return false;
    }
    if (o.title.size() > kMaxTitleBytes) {
        error = "--title is " + std::to_string(o.title.size()) + " bytes; at most " +
                std::to_string(kMaxTitleBytes) + " fit";
        return false;
    }

    s = PanoSettings{};
    s.windowWidth = static_cast<int32_t>(width);
    s.windowHeight = static_cast<int32_t>(height);
    s.panMin = panMin;
    s.panMax = panMax;
    s.tiltMin = tilt.min;
    s.tiltMax = tilt.max;
    s.fovMin = fovMin;
    s.fovMax = fovMax;
    s.initialPan = initialPan;
    s.initialTilt = initialTilt;
    s.initialFov = initialFov;
    s.spherical = spherical;
    s.inertiaTime = inertia;
    s.dragSpeed = dragSpeed;
    s.textColor = static_cast<int32_t>(o.textColor.value_or(kDefaultTextColour));
    s.shadowColor = static_cast<int32_t>(o.shadowColor.value_or(kDefaultShadowColour));
    s.reserved2 = 4;
    s.autoMotion = o.autoMotion.value_or(kDefaultAutoMotion);
    s.autoPanSpeed = autoPan;
    s.autoTiltSpeed = autoTilt;
    s.autoZoomFactor = autoZoom;
    s.idleDelay = idleDelay;
    s.panWraps = o.panWraps.value_or(panMax - panMin == kFullCircle);
    std::memcpy(s.title, o.title.data(), o.title.size());
    s.screensaver = o.screensaver;
    s.reserved5 = 1;
    s.startFullscreen = o.fullscreen;
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
