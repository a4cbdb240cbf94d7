// The readers under test take a file path: each input is written to one
// scratch file per process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

inline const char* WriteFuzzFile(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/panoview-fuzz-" + std::to_string(getpid()) + ".bin";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::abort();
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path.c_str();
}
