// SetView over arbitrary settings and requests: the extent, the image size
// and the viewport come from the input, then a few requested views.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "package/pano_settings.h"
#include "viewer/panorama_mesh.h"
#include "viewer/view_limits.h"

namespace {

class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    template <typename T>
    T Take()
    {
        T value{};
        const size_t n = std::min(sizeof value, size_ - used_);
        std::memcpy(&value, data_ + used_, n);
        used_ += n;
        return value;
    }
    bool Empty() const { return used_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t used_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    PanoSettings settings{};
    settings.panMin = in.Take<double>();
    settings.panMax = in.Take<double>();
    settings.tiltMin = in.Take<double>();
    settings.tiltMax = in.Take<double>();
    settings.fovMin = in.Take<double>();
    settings.fovMax = in.Take<double>();
    settings.spherical = in.Take<uint8_t>() & 1;
    settings.panWraps = in.Take<uint8_t>() & 1;
    const ViewerSettings converted = ConvertSettings(settings);

    PanoramaImage image;
    image.imageWidth = 1 + in.Take<uint16_t>() % 16384;
    image.imageHeight = 1 + in.Take<uint16_t>() % 16384;
    ChooseTileGrid(image);
    PanoramaMesh mesh;
    if (FAILED(BuildPanoramaMesh(mesh, converted.extent, image))) {
        return 0;
    }
    const uint32_t width = in.Take<uint16_t>() % 4096;
    const uint32_t height = in.Take<uint16_t>() % 4096;
    const ViewLimits limits{converted.extent, mesh, image.tileRows, image.tileColumns, width, height};

    ViewState view = converted.view;
    for (int i = 0; i < 4 && !in.Empty(); ++i) {
        const double pan = in.Take<double>();
        const double tilt = in.Take<double>();
        const double fov = in.Take<double>();
        const ViewState before = view;
        SetView(limits, pan, tilt, fov, view);
        const bool finite =
            std::isfinite(view.pan) && std::isfinite(view.tilt) && std::isfinite(view.fov);
        const bool kept = std::memcmp(&before, &view, sizeof view) == 0;
        if (!finite && !kept) {
            __builtin_trap();  // a stored view is always finite
        }
    }
    return 0;
}
