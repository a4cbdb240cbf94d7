#include "tools/panopack/pack_images.h"

#include <algorithm>
#include <cctype>

#include "tools/common/file_io.h"
#include "tools/panopack/pack_options.h"

namespace {

bool HasJpegExtension(const std::string& name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(c | 0x20); });
    return extension == "jpg" || extension == "jpeg";
}

// The run of digits at text[at], without its leading zeros; at moves past it.
std::string NumberAt(const std::string& text, size_t& at)
{
    const size_t end = std::min(text.find_first_not_of("0123456789", at), text.size());
    const size_t first = std::min(text.find_first_not_of('0', at), end);
    at = end;
    return text.substr(first, end - first);
}

// Name order as Explorer shows it: letters without regard to case, runs of
// digits by their value ("hill 2" before "hill 10").
bool NameBefore(const std::string& a, const std::string& b)
{
    size_t i = 0, j = 0;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            const std::string an = NumberAt(a, i), bn = NumberAt(b, j);
            if (an != bn) {
                return an.size() != bn.size() ? an.size() < bn.size() : an < bn;
            }
            continue;
        }
        const int ca = std::tolower(static_cast<unsigned char>(a[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b[j]));
        if (ca != cb) {
            return ca < cb;
        }
        ++i;
        ++j;
    }
    // Names equal by these rules keep their byte order: the order is total.
    return a.size() - i < b.size() - j || (a.size() - i == b.size() - j && a < b);
}

bool GivesTitle(const std::vector<std::string>& args)
{
    return std::find(args.begin(), args.end(), "--title") != args.end();
}

// One --image and the options after it.
struct ImageSection {
    std::string path;
    std::vector<std::string> own;
};

}  // namespace

std::string TitleFromFileName(const std::string& path, size_t maxBytes)
{
    const size_t slash = path.find_last_of("/\\");
    std::string title = path.substr(slash == std::string::npos ? 0 : slash + 1);
    title = title.substr(0, title.rfind('.'));
    if (title.size() > maxBytes) {
        size_t end = maxBytes;
        while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80) {
            --end;  // not inside a character's continuation bytes
        }
        title.resize(end);
    }
    return title;
}

bool SplitImageArguments(const std::vector<std::string>& args, std::vector<ImageArguments>& images,
                         std::string& error)
{
    std::vector<std::string> common;
    std::vector<ImageSection> sections;
    for (size_t i = 0; i < args.size(); ++i) {
        const PackArgument kind = ClassifyPackArgument(args[i]);
        const size_t count = kind.takesValue && i + 1 < args.size() ? 2 : 1;
        if (args[i] == "--image" && count == 2) {
            sections.push_back({args[i + 1], {}});
        } else {
            std::vector<std::string>& to = sections.empty() || kind.wholeFile ? common
                                                                               : sections.back().own;
            to.insert(to.end(), args.begin() + i, args.begin() + i + count);
        }
        i += count - 1;
    }
    const auto add = [&](const std::string& path, const std::vector<std::string>& own,
                         const std::string& title) {
        ImageArguments image{path, common};
        image.args.insert(image.args.end(), {"--image", path});
        if (!title.empty()) {
            image.args.insert(image.args.end(), {"--title", title});
        }
        image.args.insert(image.args.end(), own.begin(), own.end());
        images.push_back(std::move(image));
    };
    for (const ImageSection& section : sections) {
        std::vector<std::string> names;
        if (!ListFolderFiles(section.path, names)) {
            add(section.path, section.own, "");
            continue;
        }
        names.erase(std::remove_if(names.begin(), names.end(),
                                   [](const std::string& name) { return !HasJpegExtension(name); }),
                    names.end());
        if (names.empty()) {
            error = section.path + ": a folder without JPEG images (.jpg, .jpeg)";
            return false;
        }
        std::sort(names.begin(), names.end(), NameBefore);
        const bool titled = GivesTitle(common) || GivesTitle(section.own);
        for (const std::string& name : names) {
            add(section.path + "/" + name, section.own,
                titled ? "" : TitleFromFileName(name, kMaxTitleBytes));
        }
    }
    if (images.empty()) {
        images.push_back({"", common});  // the parser names what is missing
    }
    return true;
}
