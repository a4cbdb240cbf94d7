// How panopack.exe was started, read from its arguments alone: a command
// line, an image dropped on the program in Explorer, or a double click.
#pragma once

#include <functional>
#include <string>
#include <vector>

enum class Launch {
    Command,       // run the arguments as a command, messages on the console
    DroppedImage,  // make a viewer beside the image and say so in a message box
    UsageBox,      // show the usage in a message box, not in a console flashing by
};

// args: the arguments without the program name. consoleOfItsOwn: no other
// program shares the console, as when Explorer made one for it (a shell
// shares its console; a program started with its output redirected and no
// console at all has none). isFile: does a path name an existing file (not
// a folder)?
Launch ChooseLaunch(const std::vector<std::string>& args, bool consoleOfItsOwn,
                    const std::function<bool(const std::string&)>& isFile);

// The command a dropped image runs: a viewer with the defaults, NAME.exe
// beside NAME.jpg.
std::vector<std::string> DroppedImageCommand(const std::string& imagePath);
