// Scratch files go to the system's temporary directory, named after the running test, the
// process and a counter, so tests running side by side never share one.
#include "temp_file.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

namespace {

std::string NewTempPath(const char* suffix)
{
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "pano";
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    const auto dir = std::filesystem::temp_directory_path();
    return (dir / (name + "_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + suffix)).string();
}

}  // namespace

TempFile::TempFile(const std::vector<uint8_t>& contents, const char* suffix)
    : path_(NewTempPath(suffix))
{
    WriteFileBytes(path_, contents);
}

TempFile::~TempFile()
{
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(contents.data()),
              static_cast<std::streamsize>(contents.size()));
    ASSERT_TRUE(out.good()) << path;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}
