#include "tools/panopack/file_names.h"

#include <algorithm>

namespace {

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EndsWithIgnoringCase(const std::string& name, const std::string& suffix)
{
    if (name.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.begin(), suffix.end(), name.end() - suffix.size(),
                      [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
}

bool IsScreensaverName(const std::string& name)
{
    return EndsWithIgnoringCase(name, ".scr");
}

bool IsJpegName(const std::string& name)
{
    return EndsWithIgnoringCase(name, ".jpg") || EndsWithIgnoringCase(name, ".jpeg");
}

std::string ViewerNameBesideImage(const std::string& imagePath)
{
    const size_t ending = EndsWithIgnoringCase(imagePath, ".jpeg") ? 5 : 4;
    return imagePath.substr(0, imagePath.size() - ending) + ".exe";
}
