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
};

// The name --monitors and `info` give a choice: black, span or primary.
const char* MonitorUseName(MonitorUse use);

// Parses the arguments that follow "create". On failure returns false with
// a one-line reason naming the option.
bool ParsePackOptions(const std::vector<std::string>& args, PackOptions& options,
                      std::string& error);

// Usage text of the create command's options.
std::string PackOptionsHelp();
