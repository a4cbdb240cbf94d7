// What the Linux and Windows file functions share about memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

// Pieces in which a file is copied into another.
constexpr size_t kCopyPieceBytes = size_t{1} << 20;

// Sizes data for count bytes, or says that there is no memory for them.
inline bool ResizeFor(const std::string& path, size_t count, std::vector<uint8_t>& data,
                      std::string& error)
{
    try {
        data.resize(count);
    } catch (const std::bad_alloc&) {
        error = path + ": not enough memory to read its " + std::to_string(count) + " bytes";
        return false;
    }
    return true;
}
