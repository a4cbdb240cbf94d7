#include "viewer/background_decode_win.h"

#include <process.h>

#include "framework/microseconds_win.h"

namespace {

// A paced decode works this long, then rests this long: about half a core.
constexpr int64_t kPacedWorkUs = 4000;
constexpr DWORD kPacedRestMs = 4;

}  // namespace

void BackgroundDecode::Start(PanoramaImage& image, const char* exePath, int32_t imageOffset,
                             const ImageBudget& budget, const ViewerOptions& options, bool paced)
{
    Finish();
    image_ = &image;
    exePath_ = exePath;
    imageOffset_ = imageOffset;
    budget_ = budget;
    options_ = options;
    result_ = PanoramaLoad{};
    tilesReady_ = -1;
    ended_ = false;
    cancelled_ = false;
    pending_ = true;
    paced_ = paced;
    workingSinceUs_ = 0;
    thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr));
    if (!thread_) {
        paced_ = false;  // it runs on the window thread, which waits for it
    }
}

bool BackgroundDecode::Cancelled() const
{
    if (paced_) {
        const int64_t now = MicrosecondsNow();
        if (workingSinceUs_ == 0) {
            workingSinceUs_ = now;
        } else if (now - workingSinceUs_ >= kPacedWorkUs) {
            Sleep(kPacedRestMs);
            workingSinceUs_ = MicrosecondsNow();
        }
    }
    return cancelled_;
}

bool BackgroundDecode::WaitForTiles(uint32_t count)
{
    const auto wanted = static_cast<int32_t>(count);
    if (!thread_) {  // the decode runs in Finish, or was never started
        Finish();
        return ended_ && tilesReady_ >= wanted;
    }
    AcquireSRWLockExclusive(&lock_);
    while (tilesReady_ < wanted && !ended_) {
        SleepConditionVariableSRW(&progressed_, &lock_, INFINITE, 0);
    }
    const bool ready = tilesReady_ >= wanted;
    ReleaseSRWLockExclusive(&lock_);
    return ready;
}

int32_t BackgroundDecode::TilesFinal(bool& ended)
{
    if (!thread_) {
        ended = true;
        return WaitForTiles(0) ? static_cast<int32_t>(image_->tileCount) : -1;
    }
    AcquireSRWLockExclusive(&lock_);
    const int32_t tiles = tilesReady_;
    ended = ended_;
    ReleaseSRWLockExclusive(&lock_);
    return tiles;
}

bool BackgroundDecode::Finish()
{
    if (!pending_) {
        return result_.loaded;
    }
    pending_ = false;
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    } else {
        Run(this);
    }
    if (!result_.loaded) {
        DestroyTileTextures(*image_);  // a later decode makes them anew
    }
    return result_.loaded;
}

void BackgroundDecode::TilesReady(uint32_t count)
{
    AcquireSRWLockExclusive(&lock_);
    tilesReady_ = static_cast<int32_t>(count);
    ReleaseSRWLockExclusive(&lock_);
    WakeAllConditionVariable(&progressed_);
}

unsigned __stdcall BackgroundDecode::Run(void* self)
{
    auto& decode = *static_cast<BackgroundDecode*>(self);
    const PanoramaLoad result = LoadPanorama(*decode.image_, decode.exePath_, decode.imageOffset_,
                                             decode.budget_, decode.options_, &decode);
    AcquireSRWLockExclusive(&decode.lock_);
    decode.result_ = result;
    decode.ended_ = true;
    ReleaseSRWLockExclusive(&decode.lock_);
    WakeAllConditionVariable(&decode.progressed_);
    return 0;
}
