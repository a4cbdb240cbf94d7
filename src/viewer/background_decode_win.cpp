#include "viewer/background_decode_win.h"

#include <process.h>

void BackgroundDecode::Start(PanoramaImage& image, const char* exePath, int32_t imageOffset,
                             uint64_t memoryLimit, const ViewerOptions& options)
{
    Finish();
    image_ = &image;
    exePath_ = exePath;
    imageOffset_ = imageOffset;
    memoryLimit_ = memoryLimit;
    options_ = options;
    succeeded_ = false;
    pending_ = true;
    thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr));
}

bool BackgroundDecode::Finish()
{
    if (!pending_) {
        return succeeded_;
    }
    pending_ = false;
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    } else {
        Run(this);
    }
    return succeeded_;
}

unsigned __stdcall BackgroundDecode::Run(void* self)
{
    auto& decode = *static_cast<BackgroundDecode*>(self);
    decode.succeeded_ = LoadPanorama(*decode.image_, decode.exePath_, decode.imageOffset_,
                                       decode.memoryLimit_, decode.options_);
    return 0;
}
