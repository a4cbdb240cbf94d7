// The panorama's decode on a thread of its own, started before the display
// devices are enumerated, so that the two overlap: for a large image the
// decode takes as long as setting up the driver. Nothing else runs on that
// thread, and the window thread touches the image only after Finish.
#pragma once

#include <windows.h>

#include "viewer/panorama_image.h"

class BackgroundDecode {
public:
    BackgroundDecode() = default;
    ~BackgroundDecode() { Finish(); }
    BackgroundDecode(const BackgroundDecode&) = delete;
    BackgroundDecode& operator=(const BackgroundDecode&) = delete;

    // Starts LoadPanorama into image; both it and the path must outlive the
    // decode. Without a thread the decode runs in Finish instead.
    void Start(PanoramaImage& image, const char* exePath, int32_t imageOffset,
               uint64_t memoryLimit, const ViewerOptions& options);
    // Waits for the decode; LoadPanorama's result. False when none was started.
    bool Finish();

private:
    static unsigned __stdcall Run(void* self);

    PanoramaImage* image_ = nullptr;
    const char* exePath_ = nullptr;
    int32_t imageOffset_ = 0;
    uint64_t memoryLimit_ = 0;
    ViewerOptions options_;
    HANDLE thread_ = nullptr;
    bool pending_ = false;  // started, not yet finished
    bool succeeded_ = false;
};
