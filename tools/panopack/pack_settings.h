// The settings record `panopack create` makes from its options and the
// image: what the command line leaves open is derived, photo-sphere metadata
// may give the geometry, and values the viewer cannot show are refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "package/pano_settings.h"
#include "tools/common/jpeg_io.h"

struct PackOptions;

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
