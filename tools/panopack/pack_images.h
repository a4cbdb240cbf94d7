// The images `create` packs and the arguments that apply to each: one image
// makes a viewer of one panorama, several make a slideshow.
#pragma once

#include <string>
#include <vector>

struct ImageArguments {
    std::string path;
    // The whole argument list for this image alone, as ParsePackOptions
    // reads it: the options for every image first, then its own.
    std::vector<std::string> args;
};

// Splits create's arguments at each --image. Options before the first
// --image apply to every image, options after an --image to that image
// alone; options about the whole file (-o, --screensaver, ...) apply
// wherever they stand. An --image that is a folder stands for the JPEGs in
// it (.jpg and .jpeg, in name order), each titled with its file name unless
// a --title applies to it. False with the reason when a folder has none.
bool SplitImageArguments(const std::vector<std::string>& args, std::vector<ImageArguments>& images,
                         std::string& error);

// A title made from a file name: without its folder and extension, cut to
// at most maxBytes without splitting a UTF-8 character.
std::string TitleFromFileName(const std::string& path, size_t maxBytes);
