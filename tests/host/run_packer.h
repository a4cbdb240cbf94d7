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

// `create` of the stub and image into output, then the options.
inline Result RunCreate(const std::string& stub, const std::string& image,
                        const std::string& output, const std::vector<std::string>& options)
{
    std::vector<std::string> args = {"create", "--stub", stub, "--image", image, "-o", output};
    args.insert(args.end(), options.begin(), options.end());
    return RunPacker(args);
}
