// Whether `create` makes a screensaver: asked for with --screensaver, or
// implied by an output name ending in .scr unless --no-screensaver is given.
#pragma once

#include <string>

#include "tools/panopack/pack_options.h"

struct OutputKind {
    bool screensaver = false;
    std::string note;  // one line when the name decided it, else empty
};

// On failure (both switches given) returns false with a one-line reason.
bool ChooseOutputKind(const PackOptions& options, OutputKind& kind, std::string& error);
