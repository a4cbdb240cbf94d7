// The sample panorama's geometry without decoding an image: the 2605 x 635
// cylinder over 60.2 degrees, and a full 4096 x 2048 sphere.
#pragma once

#include "package/pano_settings.h"
#include "viewer/panorama_mesh.h"
#include "viewer/view_limits.h"

struct Scene {
    PanoExtent extent{};
    PanoramaImage image;
    PanoramaMesh mesh;
    ViewState view{};

    ViewLimits Limits(uint32_t width = 800, uint32_t height = 600) const
    {
        return ViewLimits{extent, mesh, image.tileRows, image.tileColumns, width, height};
    }
};

inline PanoSettings SampleCylinderSettings()
{
    PanoSettings s{};
    s.windowWidth = 800;
    s.windowHeight = 400;
    s.panMin = 0;
    s.panMax = 60.21178439798647;
    s.tiltMin = -7.298931280803325;
    s.tiltMax = 7.298931280803325;
    s.fovMin = 5;
    s.fovMax = 165;
    s.initialPan = 30.105892198993235;
    s.initialTilt = 0;
    s.initialFov = 21.896793842409977;
    return s;
}

inline PanoSettings FullSphereSettings()
{
    PanoSettings s{};
    s.panMax = 360;
    s.tiltMin = -90;
    s.tiltMax = 90;
    s.fovMin = 5;
    s.fovMax = 120;
    s.initialFov = 75;
    s.spherical = 1;
    return s;
}

// Builds the mesh for an image of width x height in the tile grid the loader
// would choose.
inline void BuildScene(Scene& scene, const PanoSettings& settings, uint32_t width, uint32_t height)
{
    const ViewerSettings converted = ConvertSettings(settings);
    scene.extent = converted.extent;
    scene.view = converted.view;
    scene.image.imageWidth = width;
    scene.image.imageHeight = height;
    ChooseTileGrid(scene.image);
    BuildPanoramaMesh(scene.mesh, scene.extent, scene.image);
}
