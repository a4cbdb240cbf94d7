// The panorama's decode on a thread of its own, started before the display
// devices are enumerated, so that the two overlap: for a large image the
// decode takes as long as setting up the driver. The window thread touches
// the image only after Finish, or the tiles that WaitForTiles has seen
// final while the rest still decodes.
#pragma once

#include <windows.h>

#include <atomic>

#include "viewer/panorama_image.h"

class BackgroundDecode : private TileProgress {
public:
    BackgroundDecode() = default;
    // A decode no longer wanted ends at its next batch of rows.
    ~BackgroundDecode()
    {
        Cancel();
        Finish();
    }
    BackgroundDecode(const BackgroundDecode&) = delete;
    BackgroundDecode& operator=(const BackgroundDecode&) = delete;

    // Starts LoadPanorama into image; both it and the path must outlive the
    // decode. Without a thread the decode runs in Finish instead. A paced
    // decode, beside a panorama on screen, rests now and then between
    // batches: on a machine of two cores the frames and the device's own
    // threads want the other core and a share of this one.
    void Start(PanoramaImage& image, const char* exePath, int32_t imageOffset,
               const ImageBudget& budget, const ViewerOptions& options, bool paced = false);
    // Waits until the first count tiles are final (for 0: until the image's
    // size and tile grid are set), or the decode has ended. False when it
    // ended without them.
    bool WaitForTiles(uint32_t count);
    // Waits for the decode; LoadPanorama's result. False when none was
    // started; a failed decode leaves no tile textures.
    bool Finish();
    // Started and not yet finished.
    bool Pending() const { return pending_; }
    // Tiles final so far (-1 before the tile grid is set), without waiting;
    // ended: the decode has ended, and Finish will not wait.
    int32_t TilesFinal(bool& ended);
    // Ends the decode at its next batch of rows or tile, as failed; Finish
    // still waits for it.
    void Cancel() { cancelled_ = true; }
    // A paced decode goes on at full speed: somebody waits for it.
    void Hurry() { paced_ = false; }
    // Why the finished decode failed; empty when it did not.
    const char* FailureReason() const { return result_.reason; }
    // The finished decode failed for memory it would have alone.
    bool NeedsRoom() const { return result_.needsRoom; }

private:
    static unsigned __stdcall Run(void* self);
    void TilesReady(uint32_t count) override;
    // Asked by the decode between batches: where a paced one rests.
    bool Cancelled() const override;

    PanoramaImage* image_ = nullptr;
    const char* exePath_ = nullptr;
    int32_t imageOffset_ = 0;
    ImageBudget budget_{0};
    ViewerOptions options_;
    HANDLE thread_ = nullptr;
    bool pending_ = false;  // started, not yet finished
    PanoramaLoad result_;
    // The decode's progress, shared with its thread under the lock: tiles
    // final (-1 before the grid is set), and whether the decode has ended.
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE progressed_ = CONDITION_VARIABLE_INIT;
    int32_t tilesReady_ = -1;
    bool ended_ = false;
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> paced_{false};
    mutable int64_t workingSinceUs_ = 0;  // of the paced decode's thread alone
};
