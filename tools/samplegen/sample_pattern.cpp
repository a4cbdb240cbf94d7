#include "tools/samplegen/sample_pattern.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTau = 6.283185307179586;

const Rgb kHues[kSampleSectors] = {
    {220, 40, 40},  {235, 130, 30}, {225, 205, 40}, {60, 170, 60},
    {40, 190, 200}, {50, 80, 215},  {130, 60, 190}, {205, 50, 160},
};

Rgb Mix(Rgb a, Rgb b, double t)
{
    const auto channel = [t](uint8_t x, uint8_t y) {
        return static_cast<uint8_t>(std::lround(x + (y - x) * std::clamp(t, 0.0, 1.0)));
    };
    return Rgb{channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

// Height of the mountain ridge above the horizon, as a fraction of the
// image height; periodic in u so a full circle closes without a seam.
double Ridge(double u)
{
    return 0.06 + 0.035 * std::sin(kTau * 3 * u + 0.7) + 0.02 * std::sin(kTau * 7 * u + 2.1) +
           0.012 * std::sin(kTau * 17 * u);
}

bool OnPost(double u, double v, double horizon)
{
    const double nearest = std::round(u * kSampleSectors);
    const double distance = std::fabs(u * kSampleSectors - nearest) / kSampleSectors;
    const bool tall = static_cast<long>(nearest) % 2 == 0;
    const double top = horizon - (tall ? 0.16 : 0.1);
    return distance < 0.0025 && v > top && v < horizon + 0.03;
}

}  // namespace

Rgb SectorHue(int sector)
{
    return kHues[((sector % kSampleSectors) + kSampleSectors) % kSampleSectors];
}

Rgb SampleColour(double u, double v, bool spherical)
{
    const double horizon = 0.5;
    const Rgb hue = SectorHue(static_cast<int>(std::floor(u * kSampleSectors)));
    if (spherical && v < 0.06) {
        return Mix(Rgb{250, 250, 255}, Rgb{170, 200, 240}, v / 0.06);
    }
    if (spherical && v > 0.94) {
        return Mix(Rgb{60, 45, 30}, Rgb{25, 20, 15}, (v - 0.94) / 0.06);
    }
    if (OnPost(u, v, horizon)) {
        return Rgb{255, 255, 255};
    }
    if (v < horizon - Ridge(u)) {
        // Sky: pale near the horizon, deeper towards the top.
        const Rgb sky = Mix(hue, Rgb{255, 255, 255}, 0.55);
        return Mix(sky, Mix(hue, Rgb{40, 60, 140}, 0.4), (horizon - v) / horizon);
    }
    if (v < horizon) {
        return Mix(hue, Rgb{90, 90, 100}, 0.45);  // mountains
    }
    // Ground: dark, a little lighter towards the horizon.
    return Mix(Mix(hue, Rgb{0, 0, 0}, 0.45), Mix(hue, Rgb{0, 0, 0}, 0.7), (v - horizon) / 0.5);
}

bool MakeSampleJpeg(const SampleOptions& sample, std::vector<uint8_t>& jpeg)
{
    const int components = sample.jpeg.colour == JpegColour::Grey   ? 1
                           : sample.jpeg.colour == JpegColour::Cmyk ? 4
                                                                  : 3;
    std::vector<uint8_t> pixels(size_t{sample.width} * sample.height * components);
    uint8_t* out = pixels.data();
    for (uint32_t y = 0; y < sample.height; ++y) {
        const double v = (y + 0.5) / sample.height;
        for (uint32_t x = 0; x < sample.width; ++x) {
            const Rgb c = SampleColour((x + 0.5) / sample.width, v, sample.spherical);
            switch (components) {
            case 1:
                *out++ = static_cast<uint8_t>((c.r * 299 + c.g * 587 + c.b * 114) / 1000);
                break;
            case 4:
                // Stored as libjpeg's decoder returns it: red = c0 * c3 / 255.
                *out++ = c.r;
                *out++ = c.g;
                *out++ = c.b;
                *out++ = 255;
                break;
            default:
                *out++ = c.r;
                *out++ = c.g;
                *out++ = c.b;
                break;
            }
        }
    }
    return EncodeJpeg(pixels.data(), sample.width, sample.height, sample.jpeg, jpeg);
}
