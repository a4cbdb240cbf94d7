#include "tools/panopack/pack_options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

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

const char kHelp[] =
    "  --stub FILE            viewer executable to pack into (a packed one is repacked;\n"
    "                         default: the viewer this packer carries)\n"
    "  --image FILE           panorama JPEG\n"
    "  -o FILE                output executable\n"
    "  --projection cylinder|sphere   image projection (default cylinder)\n"
    "  --hfov DEG             horizontal extent of the image (default 360)\n"
    "  --pan-min DEG, --pan-max DEG   pan extent (default 0 and --hfov)\n"
    "  --tilt-min DEG, --tilt-max DEG tilt extent, top and bottom edge (default:\n"
    "                         derived from the image's aspect, centred on the horizon)\n"
    "  --fov-min DEG, --fov-max DEG   zoom limits, in (0, 180) (default 5 and 120)\n"
    "  --pan DEG, --tilt DEG, --fov DEG  starting view (default: centre, 75)\n"
    "  --window-width PX, --window-height PX  window size (default 800 x 600)\n"
    "  --inertia SEC          mouse inertia, 0 for none (default 0.5)\n"
    "  --drag-speed X         mouse speed factor (default 1)\n"
    "  --auto-motion, --no-auto-motion  automatic motion when idle (default on)\n"
    "  --auto-pan-speed DEG/S, --auto-tilt-speed DEG/S (default 2 and 0)\n"
    "  --auto-zoom FACTOR     field-of-view factor per second (default 1)\n"
    "  --idle-delay SEC       idle time before automatic motion (default 5)\n"
    "  --pan-wraps, --no-pan-wraps  pan without limits (default: on for 360 degrees)\n"
    "  --title TEXT           title shown over the panorama (at most 511 bytes)\n"
    "  --text-color 0xRRGGBB, --shadow-color 0xRRGGBB (default 0xFFFFFF, 0x000000)\n"
    "  --screensaver          make a screensaver\n"
    "  --no-screensaver       a plain viewer also when OUT ends in .scr\n"
    "  --fullscreen           start full screen\n";

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

}  // namespace

const char* PackOptionsHelp() { return kHelp; }

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

    if (o.hfov && !CheckRange("--hfov", *o.hfov, 0, 360, true, false, error)) {
        return false;
    }
    const double hfov = o.hfov.value_or(360.0);
    const double panMin = o.panMin.value_or(0.0);
    const double panMax = o.panMax.value_or(panMin + hfov);
    if (!(panMax > panMin)) {
        error = "--pan-max " + Describe(panMax) + " must be greater than --pan-min " +
                Describe(panMin);
        return false;
    }
    if (!CheckRange("pan extent (--pan-max minus --pan-min)", panMax - panMin, 0, 360, true, false,
                    error)) {
        return false;
    }
    const double tiltLimit = 90.0;
    const TiltExtent tilt = o.spherical ? SphereTilt(o, panMax - panMin, aspect)
                                        : CylinderTilt(o, panMax - panMin, aspect);
    const bool openTilt = !o.spherical;
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

    const double fovMin = o.fovMin.value_or(5.0);
    const double fovMax = o.fovMax.value_or(120.0);
    if (!CheckRange("--fov-min", fovMin, 0, 180, true, true, error) ||
        !CheckRange("--fov-max", fovMax, 0, 180, true, true, error)) {
        return false;
    }
    if (fovMax < fovMin) {
        error = "--fov-max " + Describe(fovMax) + " must not be below --fov-min " + Describe(fovMin);
        return false;
    }
    const double initialFov = o.initialFov.value_or(std::fmin(std::fmax(75.0, fovMin), fovMax));
    if (!CheckClosed("--fov", initialFov, fovMin, fovMax, error)) {
        return false;
    }
    const double initialPan = o.initialPan.value_or((panMin + panMax) / 2);
    const double initialTilt = o.initialTilt.value_or(o.spherical ? 0.0 : (tilt.min + tilt.max) / 2);
    if (!CheckClosed("--pan", initialPan, -360, 720, error) ||
        !CheckClosed("--tilt", initialTilt, -90, 90, error)) {
        return false;
    }

    const double width = o.windowWidth.value_or(800);
    const double height = o.windowHeight.value_or(600);
    const double inertia = o.inertia.value_or(0.5);
    const double dragSpeed = o.dragSpeed.value_or(1.0);
    const double autoPan = o.autoPanSpeed.value_or(2.0);
    const double autoTilt = o.autoTiltSpeed.value_or(0.0);
    const double autoZoom = o.autoZoom.value_or(1.0);
    const double idleDelay = o.idleDelay.value_or(5.0);
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
    if (o.title.size() >= sizeof s.title) {
        error = "--title is " + std::to_string(o.title.size()) + " bytes; at most " +
                std::to_string(sizeof s.title - 1) + " fit";
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
    s.spherical = o.spherical;
    s.inertiaTime = inertia;
    s.dragSpeed = dragSpeed;
    s.textColor = static_cast<int32_t>(o.textColor.value_or(0xFFFFFF));
    s.shadowColor = static_cast<int32_t>(o.shadowColor.value_or(0x000000));
    s.reserved2 = 4;
    s.autoMotion = o.autoMotion.value_or(true);
    s.autoPanSpeed = autoPan;
    s.autoTiltSpeed = autoTilt;
    s.autoZoomFactor = autoZoom;
    s.idleDelay = idleDelay;
    s.panWraps = o.panWraps.value_or(panMax - panMin == 360.0);
    std::memcpy(s.title, o.title.data(), o.title.size());
    s.screensaver = o.screensaver;
    s.reserved5 = 1;
    s.startFullscreen = o.fullscreen;
    return true;
}
