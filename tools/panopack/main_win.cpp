// panopack.exe: the packer's commands from a console, and a viewer made
// beside a JPEG dropped on the program in Explorer.
#include <sstream>

#include "tools/panopack/launch.h"
#include "tools/panopack/launch_win.h"
#include "tools/panopack/panopack.h"

int main()
{
    const std::vector<std::string> args = CommandLineArguments();
    std::ostringstream out, err;
    switch (ChooseLaunch(args, ConsoleOfItsOwn(), IsExistingFile)) {
    case Launch::DroppedImage: {
        const int code = RunPanopack(DroppedImageCommand(args[0]), out, err);
        ShowMessage(code == 0 ? out.str() : err.str(), code != 0);
        return code;
    }
    case Launch::UsageBox: {
        const int code = RunPanopack(args, out, err);
        ShowMessage(err.str(), false);
        return code;
    }
    case Launch::Command:
        break;
    }
    const int code = RunPanopack(args, out, err);
    WriteOutput(OutputStream::Out, out.str());
    WriteOutput(OutputStream::Err, err.str());
    return code;
}
