// What the packer reads from a file's name: the endings that make a
// screensaver or mark a panorama JPEG, compared without regard to case.
#pragma once

#include <string>

// Does name end in suffix, ASCII letters compared without regard to case?
bool EndsWithIgnoringCase(const std::string& name, const std::string& suffix);

// A name ending in .scr: Windows runs such a program as a screensaver.
bool IsScreensaverName(const std::string& name);

// A name ending in .jpg or .jpeg.
bool IsJpegName(const std::string& name);

// The image's path with its .jpg or .jpeg ending replaced by .exe: the
// viewer made beside a dropped image.
std::string ViewerNameBesideImage(const std::string& imagePath);
