// Command-line options of `panopack create`: the values given, the parser
// and its help text. The settings record they make is declared in
// pack_settings.h, included here for the callers that go on to make it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/viewer_options.h"
#include "tools/panopack/pack_settings.h"

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
    std::optional<MonitorUse> monitors;
    // A slideshow of several images: how long each shows (kSlideOneTurn: a
    // full turn), the crossfade between them, and their order.
    std::optional<uint32_t> slideMs;
    std::optional<uint32_t> fadeMs;
    std::optional<SlideOrder> order;
};

// How `create` reads an argument that starts an option.
struct PackArgument {
    bool takesValue;  // the next argument is its value
    bool wholeFile;   // it concerns the output, not one image's settings
};

PackArgument ClassifyPackArgument(const std::string& name);

// The name --monitors and `info` give a choice: black, span or primary.
const char* MonitorUseName(MonitorUse use);

// The name --order and `info` give an order: given or shuffled.
const char* SlideOrderName(SlideOrder order);

// Parses the arguments that follow "create". On failure returns false with
// a one-line reason naming the option.
bool ParsePackOptions(const std::vector<std::string>& args, PackOptions& options,
                      std::string& error);

// Usage text of the create command's options.
std::string PackOptionsHelp();
