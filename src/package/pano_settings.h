// The 688-byte settings record stored in the payload, and its conversion into
// the units the viewer works in (radians, milliseconds).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "viewer/view_state.h"

static_assert(std::endian::native == std::endian::little,
              "the settings record is read as little-endian memory");

// Field order and sizes are the stored format; never reorder.
struct PanoSettings {
    int32_t windowWidth;
    int32_t windowHeight;
    double panMin;
    double panMax;
    double tiltMin;
    double tiltMax;
    double fovMin;
    double fovMax;
    double initialPan;
    double initialTilt;
    double initialFov;
    int32_t spherical;
    int32_t reserved1;
    double inertiaTime;
    double dragSpeed;
    int32_t textColor;
    int32_t shadowColor;
    int32_t reserved2;
    int32_t autoMotion;
    double autoPanSpeed;
    double autoTiltSpeed;
    double autoZoomFactor;
    double idleDelay;
    int32_t panWraps;
    char title[512];
    int32_t screensaver;
    int32_t reserved3;
    int32_t reserved4;
    int32_t reserved5;
    int32_t startFullscreen;
};

constexpr size_t kPanoSettingsSize = 688;

static_assert(sizeof(PanoSettings) == kPanoSettingsSize);
static_assert(offsetof(PanoSettings, windowWidth) == 0);
static_assert(offsetof(PanoSettings, windowHeight) == 4);
static_assert(offsetof(PanoSettings, panMin) == 8);
static_assert(offsetof(PanoSettings, panMax) == 16);
static_assert(offsetof(PanoSettings, tiltMin) == 24);
static_assert(offsetof(PanoSettings, tiltMax) == 32);
static_assert(offsetof(PanoSettings, fovMin) == 40);
static_assert(offsetof(PanoSettings, fovMax) == 48);
static_assert(offsetof(PanoSettings, initialPan) == 56);
static_assert(offsetof(PanoSettings, initialTilt) == 64);
static_assert(offsetof(PanoSettings, initialFov) == 72);
static_assert(offsetof(PanoSettings, spherical) == 80);
static_assert(offsetof(PanoSettings, reserved1) == 84);
static_assert(offsetof(PanoSettings, inertiaTime) == 88);
static_assert(offsetof(PanoSettings, dragSpeed) == 96);
static_assert(offsetof(PanoSettings, textColor) == 104);
static_assert(offsetof(PanoSettings, shadowColor) == 108);
static_assert(offsetof(PanoSettings, reserved2) == 112);
static_assert(offsetof(PanoSettings, autoMotion) == 116);
static_assert(offsetof(PanoSettings, autoPanSpeed) == 120);
static_assert(offsetof(PanoSettings, autoTiltSpeed) == 128);
static_assert(offsetof(PanoSettings, autoZoomFactor) == 136);
static_assert(offsetof(PanoSettings, idleDelay) == 144);
static_assert(offsetof(PanoSettings, panWraps) == 152);
static_assert(offsetof(PanoSettings, title) == 156);
static_assert(offsetof(PanoSettings, screensaver) == 668);
static_assert(offsetof(PanoSettings, reserved3) == 672);
static_assert(offsetof(PanoSettings, reserved4) == 676);
static_assert(offsetof(PanoSettings, reserved5) == 680);
static_assert(offsetof(PanoSettings, startFullscreen) == 684);

// The settings in the viewer's units, as the viewer copies them at start.
struct ViewerSettings {
    ViewState view;
    PanoExtent extent;
    double inertiaSeconds;
    double dragFactor;
    int32_t autoMotionEnabled;
    double autoPanRate, autoTiltRate;
    double autoZoomRate;
    double idleDelayMs;
    uint32_t textColor;
    uint32_t shadowColor;
};

ViewerSettings ConvertSettings(const PanoSettings& settings);

// Length of the title, never reading past the title field even when the
// stored title has no terminating NUL.
size_t TitleLength(const PanoSettings& settings);

constexpr size_t kWindowTitleCapacity = 1024;

// Writes "Panorama", or "Panorama - " and the title, NUL-terminated, into
// a buffer of kWindowTitleCapacity characters.
void BuildWindowTitle(const PanoSettings& settings, char (&buffer)[kWindowTitleCapacity]);
