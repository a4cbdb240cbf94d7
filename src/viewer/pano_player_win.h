// CPanoPlayer: the panorama viewer. It loads the image and builds the mesh
// once, makes its device resources for every device, draws the tiles and
// the outlined title, and turns input into motion through the portable core.
// With several panoramas it shows them in turn, the next one decoded and
// made ready while the current one shows, then faded in.
#pragma once

#include <windows.h>

#include "framework/d3d_application_win.h"
#include <memory>

#include "display/spare_textures_win.h"
#include "display/texture_surface_win.h"
#include "framework/monitor_covers_win.h"
#include "viewer/frame_times.h"
#include "viewer/slide_win.h"
#include "viewer/slideshow.h"

// The viewer's clock: wall-clock milliseconds, wrapping at 2^32.
uint32_t NowMs();

class CPanoPlayer : public CD3DApplication, private MotionPlatform {
public:
    CPanoPlayer();

    HRESULT Startup(HINSTANCE instance, const char* commandLine) override;
    HRESULT PrepareScene() override;
    HRESULT AcquireDeviceResources() override;
    HRESULT ReleaseDeviceResources() override;
    HRESULT DrawScene() override;
    HRESULT AdvanceScene(float seconds) override;
    HRESULT ShutdownScene() override;
    DWORD SceneStillForMs() override;
    void OnFramesResumed() override;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // How far the slide that follows the shown one has come.
    enum class NextSlide {
        None,      // no slideshow, or none readied yet
        Decoding,  // its decode runs
        Texturing, // decoded with its mesh; its textures are filled a band a frame
        Ready,     // can be drawn
        // Fits only with the shown panorama gone: waits for its turn, when
        // the picture on screen is kept as a still and the shown panorama
        // makes room.
        WaitsForRoom,
        TakesStill,  // the frame being drawn is kept as the still
    };

    void SleepOneMillisecond() override;
    // What the slideshow is at as a frame ends: the next panorama's state,
    // and the fade while it runs.
    struct FramePhase {
        NextSlide next = NextSlide::None;
        bool fading = false;
    };
    static constexpr size_t kPhaseTextSize = 32;
    static void DescribePhase(FramePhase phase, char (&text)[kPhaseTextSize]);

    void CountFrame();
    void ApplyCursor(CursorAction action, int cursor) override;
    void StepMotion();
    void SetCamera(const Slide& slide);
    void DrawTitle();
    ViewLimits Limits(const Slide& slide) const;
    void ApplyInputAction(HWND window, InputAction action);
    void ShowNavigationCursor(int cursor);
    void ScaleTitle(UINT dpi);
    HRESULT BuildTexturesWhileDecoding();
    // Waits for the decode and traces its end, with the reason of a failure.
    bool FinishDecode();
    // The budget of a panorama decoded beside the one shown.
    ImageBudget NextBudget() const;
    // Moves the next slide on by a step that fits into a frame; true once
    // it is ready to be drawn.
    bool ReadyNextSlide();
    // Sets the slide up for panorama index and starts its decode, paced
    // beside a panorama on screen.
    void StartSlide(Slide& slide, uint32_t index, const ImageBudget& budget, bool paced = false);
    void StartNextSlide();
    void ShowCurrentSlide();
    void AdvanceSlideshow();
    void SwitchSlides();
    void KeepSpareTextures(Slide& old);
    // Page Down (forward) and Page Up in a viewer.
    void TurnSlides(bool forward);
    // Lets the next slide go; the show readies the upcoming one anew.
    void DropNextSlide();
    DWORD SlideshowStillForMs();
    void DrawFadingSlide();
    DWORD MipFilter() const;
    void MakeVertexBuffer(Slide& slide);
    void TakeStill();
    // The shown panorama goes; its still stands in for it until the next
    // one has faded in.
    void MakeRoomForNextSlide();

    Slide slides_[2];
    Slide* shown_ = &slides_[0];
    Slide* next_ = &slides_[1];
    std::unique_ptr<Slideshow> slideshow_;  // null with one panorama
    NextSlide nextSlide_ = NextSlide::None;
    // The textures of the slide switched out, for the one after it to fill
    // again; they count against the size limit until it has.
    SpareTextures spares_;
    // Keeps its staging surfaces from one of the next slides' tiles to the
    // next; made for the device of the moment, so gone with it.
    std::unique_ptr<TextureSurfaceBuilder> nextBuilder_;
    float fade_ = 0;  // how far the next slide has faded in
    // The shown slide let its panorama go for the next one's room; still_,
    // when it could be kept, is its last picture.
    bool shownGone_ = false;
    IDirectDrawSurface7* still_ = nullptr;
    bool showing_ = false;  // the first panorama's time has started
    FrameTimes frameTimes_;
    FramePhase longestPhase_;  // of the switch's longest frame so far
    int64_t lastFrameUs_ = 0;  // of the last frame step; 0 after a still time
    bool switching_ = false;      // the last frame step worked at a switch
    bool switched_ = false;       // the last frame step ended a switch
    ImageBudget budget_{0};
    ViewerOptions decodeOptions_;
    InputState input_;
    HFONT titleFont_ = nullptr;
    bool titled_ = true;  // the preview shows no title
    bool mipFiltering_ = false;  // the device blends between mip levels
    // The black windows over the monitors a full-screen screensaver leaves.
    MonitorCovers covers_;
    D3DMATRIX projection_;  // the last projection the device accepted
    UINT titleDpi_ = 96;  // the DPI the title font and its place are scaled to
};
