#include "tools/panopack/pack_options.h"

#include <cmath>
#include <cstdlib>
#include <iomanip>
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

const char* const kMonitorUseNames[kMonitorUseCount] = {"black", "span", "primary"};
const char* const kSlideOrderNames[kSlideOrderCount] = {"given", "shuffled"};

// Options without a value.
const char* const kSwitches[] = {"--screensaver", "--no-screensaver", "--fullscreen",
                                 "--no-options",  "--auto-motion",    "--no-auto-motion",
                                 "--pan-wraps",   "--no-pan-wraps"};

// Options that concern the output as a whole, wherever they stand among
// the images: the window is the first panorama's for all of them.
const char* const kWholeFileOptions[] = {
    "--stub",       "-o",          "--screensaver",  "--no-screensaver", "--fullscreen",
    "--no-options", "--monitors",  "--slide-time",   "--fade-time",      "--order",
    "--window-width", "--window-height"};

constexpr double kMsPerSecond = 1000;

bool ParseMonitorUse(const std::string& name, MonitorUse& use)
{
    for (uint32_t i = 0; i < kMonitorUseCount; ++i) {
        if (name == kMonitorUseNames[i]) {
            use = static_cast<MonitorUse>(i);
            return true;
        }
    }
    return false;
}

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
         "  --monitors black|span|primary  what a screensaver does with the other monitors:\n"
         "                         black (default), one view across all, or leave them\n"
         "  --slide-time SEC|turn  with several images, how long each shows (default "
      << kDefaultSlideMs / kMsPerSecond
      << "; turn: one full turn of a wrapping panorama that pans by itself)\n"
         "  --fade-time SEC        the crossfade from one image to the next (default "
      << kDefaultFadeMs / kMsPerSecond
      << ")\n"
         "  --order given|shuffled the order of the images after the first (default given)\n"
         "  --no-options           no options record: the viewer does exactly what the\n"
         "                         settings describe (no mip levels, no smaller decode,\n"
         "                         the screensaver on the primary monitor only)\n"
         "Several --image options make a slideshow. Options before the first --image\n"
         "apply to every image, options after an --image to that image alone (the ones\n"
         "above from --screensaver on, -o, --stub and the window size concern the whole\n"
         "file). An --image that is a folder stands for its JPEGs in name order (numbers\n"
         "by their value, as Explorer sorts them), titled by file name.\n"
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

// A time in seconds from 0 to maxMs, as whole milliseconds.
bool ParseMilliseconds(const std::string& text, uint32_t maxMs, uint32_t& ms)
{
    double seconds = 0;
    if (!ParseReal(text, seconds) || !(seconds >= 0 && seconds * kMsPerSecond <= maxMs)) {
        return false;
    }
    ms = static_cast<uint32_t>(std::lround(seconds * kMsPerSecond));
    return true;
}

template <typename Name>
bool Listed(const Name& list, const std::string& name)
{
    for (const char* entry : list) {
        if (name == entry) {
            return true;
        }
    }
    return false;
}

}  // namespace

PackArgument ClassifyPackArgument(const std::string& name)
{
    return {!Listed(kSwitches, name), Listed(kWholeFileOptions, name)};
}

const char* MonitorUseName(MonitorUse use)
{
    return kMonitorUseNames[static_cast<uint32_t>(use)];
}

const char* SlideOrderName(SlideOrder order)
{
    return kSlideOrderNames[static_cast<uint32_t>(order)];
}

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
        } else if (name == "--monitors") {
            MonitorUse use;
            if (!ParseMonitorUse(args[++i], use)) {
                error = "--monitors must be black, span or primary, not '" + args[i] + "'";
                return false;
            }
            options.monitors = use;
        } else if (name == "--slide-time") {
            uint32_t ms = kSlideOneTurn;
            if (args[++i] != "turn" && (!ParseMilliseconds(args[i], kMaxSlideMs, ms) || ms == 0)) {
                error = "--slide-time needs seconds from 0.001 to " +
                        std::to_string(kMaxSlideMs / 1000) + ", or turn, not '" + args[i] + "'";
                return false;
            }
            options.slideMs = ms;
        } else if (name == "--fade-time") {
            uint32_t ms = 0;
            if (!ParseMilliseconds(args[++i], kMaxFadeMs, ms)) {
                error = "--fade-time needs seconds from 0 to " + std::to_string(kMaxFadeMs / 1000) +
                        ", not '" + args[i] + "'";
                return false;
            }
            options.fadeMs = ms;
        } else if (name == "--order") {
            const std::string& value = args[++i];
            if (value != kSlideOrderNames[0] && value != kSlideOrderNames[1]) {
                error = "--order must be given or shuffled, not '" + value + "'";
                return false;
            }
            options.order = value == kSlideOrderNames[0] ? SlideOrder::Given : SlideOrder::Shuffled;
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
    const MonitorUse monitors = options.monitors.value_or(MonitorUse::Primary);
    if (options.noOptions && monitors != MonitorUse::Primary) {
        error = "--monitors " + std::string(MonitorUseName(monitors)) +
                " needs the options record that --no-options leaves out";
        return false;
    }
    return true;
}
