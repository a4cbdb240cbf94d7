// Photo-sphere metadata in the viewer's terms: the sphere that a JPEG's
// GPano fields describe.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/panopack/gpano_fields.h"

// An equirectangular panorama in the viewer's terms, in degrees. The viewer
// draws an image's left edge at pan 0, so the pan extent always starts
// there; where the crop lies in the full panorama shows in the tilt extent
// (tilt grows downward: -90 is the zenith) and in the starting pan.
struct PhotoSphere {
    uint32_t fullWidth = 0, fullHeight = 0;
    uint32_t croppedWidth = 0, croppedHeight = 0, croppedLeft = 0, croppedTop = 0;
    double panSpan = 0;
    double tiltMin = 0, tiltMax = 0;
    std::optional<double> initialPan, initialTilt, initialFov;
    // The parts of the starting view that were left out, and why.
    std::vector<std::string> warnings;
};

// Checks the fields against each other and against the image's size in
// pixels, and derives the sphere. A missing crop is the whole panorama. An
// image resized uniformly from the crop is accepted (each side within a
// pixel of the scaled crop); a stretched one is refused.
//
// The starting view: the heading counts degrees from the full panorama's
// left edge (180 is its centre column), the pitch is positive upward, the
// field of view is horizontal. A part that is out of range or falls outside
// the crop is left out with a warning; the extent still holds.
bool DerivePhotoSphere(const GPanoFields& fields, uint32_t imageWidth, uint32_t imageHeight,
                       PhotoSphere& sphere, std::string& error);

enum class PhotoSphereSearch { Absent, Found, Unusable };

// Looks for photo-sphere metadata in a JPEG file's bytes and derives the
// sphere. Unusable comes with the reason in error.
PhotoSphereSearch ReadPhotoSphere(const std::vector<uint8_t>& jpeg, uint32_t imageWidth,
                                  uint32_t imageHeight, PhotoSphere& sphere, std::string& error);

// "equirectangular 180 x 90 degrees, pan 0..180, tilt -45..45", followed by
// the parts of the starting view the sphere holds.
std::string DescribePhotoSphere(const PhotoSphere& sphere);
