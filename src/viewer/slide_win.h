// One panorama of the viewer: its image and mesh, its view and motion, its
// title, and the decode that fills it. A slideshow holds two: the one shown
// and the one made ready to follow it.
#pragma once

#include <windows.h>
#include <d3d.h>

#include "package/pano_settings.h"
#include "viewer/background_decode_win.h"
#include "viewer/motion.h"
#include "viewer/panorama_image.h"
#include "viewer/panorama_mesh.h"
#include "viewer/view_limits.h"

struct Slide {
    uint32_t index = 0;  // which panorama of the payload: 0 the first
    ViewerSettings settings{};
    PanoramaImage image;
    PanoramaMesh mesh;
    ViewState view{};
    MotionState motion;
    char title[sizeof PanoSettings::title + 1] = {};  // NUL-terminated; empty: none drawn
    char windowTitle[kWindowTitleCapacity] = {};
    // The image's tile textures, found once its decode has made them: while
    // the other slide decodes, its thread adds to the texture registry, so
    // drawing never looks names up.
    NamedTexture* tiles[kMaxTiles] = {};
    uint32_t textureCount = 0;  // tiles whose textures the device holds, in order
    // The mesh's strips one after another, made once for the device; null
    // when none is (drawn from the mesh's own arrays then).
    IDirect3DVertexBuffer7* vertexBuffer = nullptr;
    // Declared after the image it fills: it finishes before the image goes.
    BackgroundDecode decode;
};

// Sets the slide up for panorama index with its settings: its view at the
// start, its limits, motion, colours and titles. Its image is not touched.
void ConfigureSlide(Slide& slide, uint32_t index, const PanoSettings& settings);

// Finds the image's tile textures; call when no other decode runs.
void FindSlideTiles(Slide& slide);

// The slide's view limits in a viewport of that size.
ViewLimits SlideLimits(const Slide& slide, uint32_t viewportWidth, uint32_t viewportHeight);

// Draws the slide's tiles with the device's current transforms; tiles with
// mip levels are sampled through mipFilter (D3DTFP_NONE: the top level only).
void DrawSlideTiles(IDirect3DDevice7* device, const Slide& slide, DWORD mipFilter);

// Puts the slide's mesh into a vertex buffer of the device, unless it has
// one; without one (none could be made) the tiles are drawn from the
// mesh's arrays.
void MakeSlideVertexBuffer(IDirect3D7* direct3D, IDirect3DDevice7* device, Slide& slide);
void ReleaseSlideVertexBuffer(Slide& slide);

// Cancels the slide's decode, waits for it and lets its tiles and vertex
// buffer go; the slide then has no image.
void EmptySlide(Slide& slide);
