// Runs the packer in-process and keeps what it printed.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tools/panopack/panopack.h"

struct Result {
    int code;
    std::string out, err;
};

inline Result RunPacker(const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int code = RunPanopack(args, out, err);
    return {code, out.str(), err.str()};
}
