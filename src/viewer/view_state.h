// The view and the extent of the panorama, in radians.
#pragma once

// pi rounded to single precision and held as a double: the viewer's angles
// are all derived from this value, so 180 degrees is exactly kPi.
constexpr double kPi = 3.1415927410125732;
constexpr double kTwoPi = 6.2831854820251465;
constexpr double kHalfPi = 1.5707963705062866;

constexpr double DegreesToRadians(double degrees)
{
    return degrees * kPi / 180.0;
}

struct ViewState {
    double pan;   // from the image's left edge, growing to the right
    double tilt;  // 0 at the horizon, growing downward on screen
    double fov;   // horizontal field of view
};

struct PanoExtent {
    double panMin, panMax;
    double tiltMin, tiltMax;  // top and bottom edge
    double panSpan;           // panMax - panMin
    double tiltSpan;          // tiltMax - tiltMin
    double fovMin, fovMax;
    bool spherical;
    bool panWraps;  // no horizontal limits: the panorama closes on itself
};
