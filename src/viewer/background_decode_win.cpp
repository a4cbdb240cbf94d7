#include "viewer/background_decode_win.h"

#include <process.h>

void BackgroundDecode::Start(PanoramaImage& image, const char* exePath, int32_t imageOffset,
                             const ImageBudget& budget, const ViewerOptions& options)
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
    thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr));
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
