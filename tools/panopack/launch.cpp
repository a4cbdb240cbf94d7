#include "tools/panopack/launch.h"

#include "tools/panopack/file_names.h"

Launch ChooseLaunch(const std::vector<std::string>& args, bool consoleOfItsOwn,
                    const std::function<bool(const std::string&)>& isFile)
{
    // Explorer starts a program with a file dropped on it with that file's
    // path as its only argument.
    if (args.size() == 1 && IsJpegName(args[0]) && isFile(args[0])) {
        return Launch::DroppedImage;
    }
    if (args.empty() && consoleOfItsOwn) {
        return Launch::UsageBox;
    }
    return Launch::Command;
}

std::vector<std::string> DroppedImageCommand(const std::string& imagePath)
{
    return {"create", "--image", imagePath, "-o", ViewerNameBesideImage(imagePath)};
}
