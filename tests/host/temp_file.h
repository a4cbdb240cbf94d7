// Scratch files for tests, removed when the test ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TempFile {
public:
    explicit TempFile(const std::vector<uint8_t>& contents = {}, const char* suffix = ".bin");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& Path() const { return path_; }
    const char* CPath() const { return path_.c_str(); }

private:
    std::string path_;
};

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& contents);
std::vector<uint8_t> ReadFileBytes(const std::string& path);
