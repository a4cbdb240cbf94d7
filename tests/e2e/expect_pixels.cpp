// expect_pixels: which colour a packed sample viewer must show at screen
// points, computed independently of the viewer's code: the camera's
// projection and rotations redone in double precision, the ray met with the
// ideal cylinder or sphere, and the sample pattern's colour at the image
// position hit. Points where the pattern changes nearby are left out.
//
// usage: expect_pixels EXE WIDTH HEIGHT PAN TILT FOV   (degrees)
// prints "x y r g b" per point; exit 3 when the viewer would not show this
// view as requested (a limit applies).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "package/payload.h"
#include "package/payload_anchor.h"
#include "tools/common/file_io.h"
#include "tools/samplegen/sample_pattern.h"
#include "viewer/panorama_mesh.h"
#include "viewer/view_limits.h"

namespace {

constexpr double kExactPi = 3.14159265358979323846;

struct Vec {
    double x, y, z;
};

Vec RotateX(Vec v, double a)
{
    return Vec{v.x, v.y * std::cos(a) - v.z * std::sin(a), v.y * std::sin(a) + v.z * std::cos(a)};
}

Vec RotateY(Vec v, double a)
{
    return Vec{v.x * std::cos(a) + v.z * std::sin(a), v.y, -v.x * std::sin(a) + v.z * std::cos(a)};
}

bool Uniform(double u, double v, bool spherical)
{
    const Rgb c = SampleColour(u, v, spherical);
    for (const double du : {-0.012, 0.012}) {
        for (const double dv : {-0.02, 0.02}) {
            const Rgb n = SampleColour(std::fmod(u + du + 1, 1), std::clamp(v + dv, 0.0, 0.999), spherical);
            if (std::abs(n.r - c.r) + std::abs(n.g - c.g) + std::abs(n.b - c.b) > 12) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 7) {
        std::fprintf(stderr, "usage: expect_pixels EXE WIDTH HEIGHT PAN TILT FOV\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(argv[1], size_t{1} << 30, bytes, error)) {
        return 2;
    }
    const auto offset = ReadStubPayloadOffset(bytes.data(), bytes.size());
    const auto settings = offset ? ReadPanoSettings(argv[1], *offset) : nullptr;
    if (!settings) {
        return 2;
    }
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    const double pan = std::atof(argv[4]) * kExactPi / 180;
    const double tilt = std::atof(argv[5]) * kExactPi / 180;
    const double fov = std::atof(argv[6]) * kExactPi / 180;
    const bool spherical = settings->spherical != 0;
    const double toRad = kExactPi / 180;
    const double panSpan = (settings->panMax - settings->panMin) * toRad;
    const double tiltMin = settings->tiltMin * toRad, tiltMax = settings->tiltMax * toRad;
    const int32_t imageAt = FindPanoImage(argv[1], *offset);
    JpegInfo info;
    if (imageAt <= 0 ||
        !ReadJpegInfo(std::vector<uint8_t>(bytes.begin() + imageAt, bytes.end()), info, error)) {
        return 2;
    }
    const double imageW = info.width, imageH = info.height;

    // The viewer must show the view as requested for the comparison to hold.
    const ViewerSettings converted = ConvertSettings(*settings);
    PanoramaImage image;
    image.imageWidth = static_cast<uint32_t>(imageW);
    image.imageHeight = static_cast<uint32_t>(imageH);
    ChooseTileGrid(image);
    PanoramaMesh mesh;
    BuildPanoramaMesh(mesh, converted.extent, image);
    ViewState shown{};
    SetView(ViewLimits{converted.extent, mesh, image.tileRows, image.tileColumns,
                       static_cast<uint32_t>(width), static_cast<uint32_t>(height)},
            DegreesToRadians(std::atof(argv[4])), DegreesToRadians(std::atof(argv[5])),
            DegreesToRadians(std::atof(argv[6])), shown);
    if (std::fabs(shown.pan - DegreesToRadians(std::atof(argv[4]))) > 1e-9 ||
        std::fabs(shown.tilt - DegreesToRadians(std::atof(argv[5]))) > 1e-9 ||
        std::fabs(shown.fov - DegreesToRadians(std::atof(argv[6]))) > 1e-9) {
        std::fprintf(stderr, "expect_pixels: the viewer limits this view\n");
        return 3;
    }

    const double aspect = static_cast<double>(height) / width;
    const double cot = 1 / std::tan(aspect * fov / 2);
    const double p11 = -cot * aspect, p22 = -cot;  // both axes mirrored
    const double heightOnCylinder = imageH * panSpan / imageW;
    const double horizon = (std::tan(-tiltMin) / heightOnCylinder + 1 - std::tan(tiltMax) / heightOnCylinder) / 2;

    for (int gy = 1; gy <= 5; ++gy) {
        for (int gx = 1; gx <= 9; ++gx) {
            const int px = width * gx / 10, py = height * gy / 6;
            Vec d{(2.0 * px / width - 1) / p11, -(2.0 * py / height - 1) / p22, 1};
            d = RotateY(RotateX(d, -tilt), -pan);
            double theta = std::atan2(d.x, d.z);
            if (theta > 0) {
                theta -= 2 * kExactPi;
            }
            const double u = -theta / panSpan;
            const double flat = std::hypot(d.x, d.z);
            const double v = spherical
                                 ? (std::atan2(d.y, flat) - tiltMin) / (tiltMax - tiltMin)
                                 : (d.y / flat + horizon * heightOnCylinder) / heightOnCylinder;
            if (u < 0.01 || u > 0.99 || v < 0.01 || v > 0.99 || !Uniform(u, v, spherical)) {
                continue;
            }
            const Rgb c = SampleColour(u, v, spherical);
            std::printf("%d %d %d %d %d\n", px, py, c.r, c.g, c.b);
        }
    }
    return 0;
}
