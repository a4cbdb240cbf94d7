// The slideshow of CPanoPlayer: the next panorama decoded on its own thread
// while the current one shows, its mesh made once the decode ends, its
// textures filled a band of rows a frame, then faded in over the current one.
#include "viewer/pano_player_win.h"

#include <algorithm>

#include "display/com_release_win.h"
#include "display/surface_desc_win.h"
#include "display/texture_surface_win.h"
#include "framework/stage_trace_win.h"
#include "package/startup_state.h"
#include "viewer/image_memory.h"

namespace {

// How often a frame looks whether the next panorama's decode has ended.
constexpr DWORD kDecodePollMs = 25;

// The next panorama's textures are filled this many pixels a frame (a band
// of 256 rows of a 2048 x 2048 tile): a whole tile in one frame takes the
// time of two or three ordinary ones.
constexpr uint32_t kTexturePixelsPerFrame = 512 * 1024;

// The show's clock: milliseconds since the system started, which setting
// the wall clock does not move.
uint32_t ShowClockMs()
{
    return GetTickCount();
}

void TraceSlide(const char* stage, uint32_t index, const char* detail = nullptr)
{
    char text[240];
    wsprintfA(text, detail ? "%u %s" : "%u", index, detail);
    TraceStage(stage, text);
}

// What the slide's panorama holds of the size limit.
uint64_t SlideCost(const Slide& slide)
{
    const PanoramaImage& image = slide.image;
    return ImageMemoryCost(image.imageWidth, image.imageHeight, image.mipLevels);
}

}  // namespace

ImageBudget CPanoPlayer::NextBudget() const
{
    if (shownGone_) {
        return budget_;
    }
    // The shown panorama holds its share until the switch has passed, the
    // spare textures theirs until the next one has taken what it can.
    const uint64_t held = SlideCost(*shown_) + spares_.Cost();
    ImageBudget budget = budget_;
    budget.memory = budget.memory > held ? budget.memory - held : 0;
    return budget;
}

void CPanoPlayer::StartSlide(Slide& slide, uint32_t index, const ImageBudget& budget, bool paced)
{
    const bool first = index == 0;
    const FurtherPanorama* further = first ? nullptr : &startupState.furtherPanoramas[index - 1];
    ConfigureSlide(slide, index, first ? *startupState.settings : further->settings);
    if (!titled_) {
        slide.motion.autoMotionEnabled = 1;  // the preview moves from the start
    }
    slide.decode.Start(slide.image, startupState.modulePath,
                       first ? startupState.imageOffset : further->imageOffset, budget,
                       decodeOptions_, paced);
}

void CPanoPlayer::StartNextSlide()
{
    const uint32_t index = slideshow_->Upcoming();
    // Paced beside the one shown, unless Page Down or Up waits for it.
    StartSlide(*next_, index, NextBudget(), !slideshow_->SwitchAsked() && !shownGone_);
    nextSlide_ = NextSlide::Decoding;
    TraceSlide("slide-decode-start", index);
}

void CPanoPlayer::DropNextSlide()
{
    if (slideshow_) {
        slideshow_->CancelFade();
    }
    if (nextSlide_ != NextSlide::None) {
        nextBuilder_.reset();  // it may hold a texture half filled
        EmptySlide(*next_);
        nextSlide_ = NextSlide::None;
    }
    fade_ = 0;
}

bool CPanoPlayer::ReadyNextSlide()
{
    switch (nextSlide_) {
    case NextSlide::None:
        if (slideshow_->Upcoming() != shown_->index || shownGone_) {
            StartNextSlide();
        }
        return false;
    case NextSlide::Decoding: {
        switching_ = true;
        bool ended = false;
        next_->decode.TilesFinal(ended);
        if (!ended) {
            return false;
        }
        // A panorama that cannot be shown leaves the show; the others go on.
        const bool decoded = next_->decode.Finish();
        if (!decoded && next_->decode.NeedsRoom()) {
            TraceSlide("slide-waits-for-room", next_->index);
            nextSlide_ = NextSlide::WaitsForRoom;
            return false;
        }
        char size[40];
        wsprintfA(size, "%ux%u", next_->image.imageWidth, next_->image.imageHeight);
        TraceSlide("slide-decode-end", next_->index, decoded ? size : "failed");
        FindSlideTiles(*next_);
        if (!decoded ||
            FAILED(BuildPanoramaMesh(next_->mesh, next_->settings.extent, next_->image))) {
            TraceSlide("slide-failed", next_->index,
                       decoded ? "no memory for the mesh" : next_->decode.FailureReason());
            DropNextSlide();
            slideshow_->DropUpcoming();
            return false;
        }
        SetView(Limits(*next_), next_->view.pan, next_->view.tilt, next_->view.fov, next_->view);
        TraceSlide("slide-mesh-built", next_->index);
        nextSlide_ = NextSlide::Texturing;
        return false;
    }
    case NextSlide::Texturing: {
        if (!renderDevice) {
            return false;
        }
        switching_ = true;
        if (!nextBuilder_) {
            nextBuilder_ = std::make_unique<TextureSurfaceBuilder>(renderDevice, &spares_);
        }
        if (!nextBuilder_->BuildPart(next_->tiles[next_->textureCount],
                                     startupState.options.Has(FEATURE_PIXELS_IN_TEXTURES),
                                     kTexturePixelsPerFrame)) {
            return false;
        }
        if (++next_->textureCount == next_->image.tileCount) {
            spares_.Clear();  // none of its size and format is left to come
            MakeVertexBuffer(*next_);
            nextSlide_ = NextSlide::Ready;
            TraceSlide("slide-ready", next_->index);
        }
        return false;
    }
    case NextSlide::Ready:
        return true;
    case NextSlide::WaitsForRoom:
        if (slideshow_->MsUntilDue(ShowClockMs()) == 0) {
            nextSlide_ = NextSlide::TakesStill;
        }
        return false;
    case NextSlide::TakesStill:
        MakeRoomForNextSlide();
        return false;
    }
    return false;
}

// Keeps the frame just drawn, for the picture to stay while the shown
// panorama is gone; without the memory for it the window turns black.
void CPanoPlayer::TakeStill()
{
    ReleaseAndClear(still_);
    DDSURFACEDESC2 desc;
    PrepareSurfaceDesc(desc, 0, 0);
    if (FAILED(renderTarget->GetSurfaceDesc(&desc))) {
        return;
    }
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.ddsCaps = DDSCAPS2{DDSCAPS_OFFSCREENPLAIN, 0, 0, {0}};
    if (FAILED(directDraw->CreateSurface(&desc, &still_, nullptr)) ||
        FAILED(still_->Blt(nullptr, renderTarget, nullptr, DDBLT_WAIT, nullptr))) {
        ReleaseAndClear(still_);
    }
    TraceSlide("slide-still-taken", shown_->index, still_ ? "kept" : "none");
}

void CPanoPlayer::MakeRoomForNextSlide()
{
    shownGone_ = true;
    EmptySlide(*shown_);
    spares_.Clear();
    StartNextSlide();
}

// The shown panorama's time starts now.
void CPanoPlayer::ShowCurrentSlide()
{
    slideshow_->Show(ShowClockMs(), SlideTimeMs(startupState.options.slideMs, shown_->settings));
}

void CPanoPlayer::AdvanceSlideshow()
{
    if (!slideshow_) {
        return;
    }
    if (!showing_) {
        // The first panorama's time starts with its first frame.
        showing_ = true;
        ShowCurrentSlide();
    }
    const bool ready = ReadyNextSlide();
    const SlideStep step = slideshow_->Step(ShowClockMs(), ready, startupState.options.fadeMs);
    fade_ = step.fade;
    // The last panorama left, made anew after its room was taken by one
    // that then failed, comes back without the show moving on.
    const bool cameBack = ready && shownGone_ && slideshow_->Upcoming() == slideshow_->Current();
    if (step.switched || cameBack) {
        SwitchSlides();
    }
}

// The next slide becomes the shown one, with its own view, limits, motion
// and title; the one it replaces lets its textures go.
void CPanoPlayer::SwitchSlides()
{
    switching_ = true;
    switched_ = true;
    shownGone_ = false;
    ReleaseAndClear(still_);
    std::swap(shown_, next_);
    KeepSpareTextures(*next_);
    EmptySlide(*next_);
    nextSlide_ = NextSlide::None;
    fade_ = 0;
    windowTitle = shown_->windowTitle;
    SetWindowTextA(window, windowTitle);
    // A drag's speed or a key's target belonged to the panorama before.
    input_.velocityX = 0;
    input_.velocityY = 0;
    input_.keyTargetActive = false;
    shown_->motion.lastFrameMs = 0;
    ShowCurrentSlide();
    TraceSlide("slide-shown", shown_->index);
}

// The surfaces of the slide switched out are kept for the one after the
// shown one when the three panoramas fit the size limit together: a fresh
// surface takes far longer to fill the first time than a used one.
void CPanoPlayer::KeepSpareTextures(Slide& old)
{
    spares_.Clear();
    const uint64_t oldCost = SlideCost(old);
    if (SlideCost(*shown_) + 2 * oldCost > budget_.memory) {
        return;
    }
    for (NamedTexture* tile : old.tiles) {
        if (tile) {
            spares_.Keep(tile->surface);
        }
    }
    if (!spares_.Empty()) {
        spares_.SetCost(oldCost);
    }
}

void CPanoPlayer::TurnSlides(bool forward)
{
    if (forward ? slideshow_->Forward() : slideshow_->Back()) {
        DropNextSlide();
    } else if (nextSlide_ == NextSlide::Decoding) {
        next_->decode.Hurry();
    }
}

DWORD CPanoPlayer::SlideshowStillForMs()
{
    switch (nextSlide_) {
    case NextSlide::None:
        return slideshow_->Upcoming() != shown_->index || shownGone_ ? 0 : kStillForever;
    case NextSlide::Decoding: {
        // Nothing moves on before the decode ends; then a frame takes it on.
        bool ended = false;
        next_->decode.TilesFinal(ended);
        return ended ? 0 : kDecodePollMs;
    }
    case NextSlide::Texturing:
        return 0;
    case NextSlide::Ready:
    case NextSlide::WaitsForRoom:
        return fade_ > 0 || shownGone_ ? 0 : slideshow_->MsUntilDue(ShowClockMs());
    case NextSlide::TakesStill:
        return 0;
    }
    return 0;
}
