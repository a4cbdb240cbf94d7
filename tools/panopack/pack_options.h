// Command-line options of `panopack create` and the settings record they
// make, with the derived angular extent and the checks that keep the viewer
// able to show the result.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "package/pano_settings.h"
#include "tools/common/jpeg_io.h"

struct PackOptions {
    std::string stubPath;
    std::string imagePath;
    std::string outputPath;

    std::optional<bool> spherical;
    std::optional<double> hfov;
    std::optional<double> panMin, panMax, tiltMin, tiltMax;
    std::optional<double> fovMin, fovMax;
    std::optional<double> initialPan, initialTilt, initialFov;
    std::optional<double> windowWidth, windowHeight;
    std::optional<double> inertia, dragSpeed;
    std::optional<double> autoPanSpeed, autoTiltSpeed, autoZoom, idleDelay;
    std::optional<bool> autoMotion;
    std::optional<bool> panWraps;
    std::optional<uint32_t> textColor, shadowColor;
    std::string title;
    bool screensaver = false;
    bool noScreensaver = false;
    bool fullscreen = false;
    // Without an options record the viewer does exactly what the settings describe.
    bool noOptions = false;
};

// Parses the arguments that follow "create". On failure returns false with
// a one-line reason naming the option.
bool ParsePackOptions(const std::vector<std::string>& args, PackOptions& options,
                      std::string& error);

// Fills the settings record from the options and the image's size, deriving
// what was not given, and refuses values the viewer cannot show.
bool MakePanoSettings(const PackOptions& options, const JpegInfo& image, PanoSettings& settings,
                      std::string& error);

// What photo-sphere metadata in the image gave the settings.
struct PhotoSphereUse {
    // What was taken, or why nothing was; empty without metadata.
    std::string note;
    // Metadata, or parts of it, left out, and why.
    std::vector<std::string> warnings;
};

// MakePanoSettings for an image whose bytes may carry photo-sphere metadata:
// when the command line gives no projection, --hfov or pan or tilt limit,
// the projection, extent and starting view come from the metadata, with
// --pan, --tilt and --fov still overriding the starting view. Metadata the
// checks refuse is left out with a warning and the usual derivation applies.
bool MakePanoSettingsForImage(const PackOptions& options, const std::vector<uint8_t>& jpeg,
                              const JpegInfo& image, PanoSettings& settings, PhotoSphereUse& use,
                              std::string& error);

// Usage text of the create command's options.
std::string PackOptionsHelp();
