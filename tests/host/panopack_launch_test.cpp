// What panopack reads from names and from how it was started.
#include <gtest/gtest.h>

#include <set>

#include "tools/panopack/file_names.h"
#include "tools/panopack/launch.h"
#include "tools/panopack/output_kind.h"

TEST(PackerNames, EndingsAreComparedWithoutRegardToCase)
{
    struct Case {
        const char* name;
        bool screensaver, jpeg;
    };
    const Case cases[] = {
        {"harbour.scr", true, false},
        {"C:\\Bilder \xC3\x9C\\Hafen.SCR", true, false},
        {"\\\\server\\share\\saver.Scr", true, false},
        {".scr", true, false},
        {"harbour.scr.exe", false, false},
        {"harbourscr", false, false},
        {"scr", false, false},
        {"harbour.jpg", false, true},
        {"harbour.JPEG", false, true},
        {"Z:\\tmp\\a b\\\xC3\xBC.Jpg", false, true},
        {"harbour.jpe", false, false},
        {"harbour.jpg.exe", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsScreensaverName(c.name), c.screensaver);
        EXPECT_EQ(IsJpegName(c.name), c.jpeg);
    }
}

TEST(PackerNames, ADroppedImageGivesAViewerBesideIt)
{
    struct Case {
        const char* image;
        const char* viewer;
    };
    const Case cases[] = {
        {"harbour.jpg", "harbour.exe"},
        {"C:\\Bilder \xC3\x9C\\Hafen.JPEG", "C:\\Bilder \xC3\x9C\\Hafen.exe"},
        {"\\\\server\\share\\bay.Jpg", "\\\\server\\share\\bay.exe"},
        {"/home/me/a.b.jpeg", "/home/me/a.b.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.image);
        EXPECT_EQ(ViewerNameBesideImage(c.image), c.viewer);
        EXPECT_EQ(DroppedImageCommand(c.image),
                  (std::vector<std::string>{"create", "--image", c.image, "-o", c.viewer}));
    }
}

TEST(PackerLaunch, ArgumentsAndConsoleDecideHowItRuns)
{
    const std::set<std::string> files = {"C:\\pics\\bay.jpg", "C:\\pics\\BAY.JPEG", "C:\\pics\\notes.txt"};
    const auto isFile = [&files](const std::string& path) { return files.count(path) != 0; };
    struct Case {
        const char* label;
        std::vector<std::string> args;
        bool consoleOfItsOwn;
        Launch launch;
    };
    const Case cases[] = {
        {"an image dropped in Explorer", {"C:\\pics\\bay.jpg"}, true, Launch::DroppedImage},
        {"an image named from a shell", {"C:\\pics\\BAY.JPEG"}, false, Launch::DroppedImage},
        {"a dropped file of another kind", {"C:\\pics\\notes.txt"}, true, Launch::Command},
        {"a JPEG name that is no file", {"C:\\pics\\gone.jpg"}, true, Launch::Command},
        {"two images", {"C:\\pics\\bay.jpg", "C:\\pics\\BAY.JPEG"}, true, Launch::Command},
        {"a double click", {}, true, Launch::UsageBox},
        {"no arguments in a shell", {}, false, Launch::Command},
        {"a command in a shell", {"info", "C:\\pics\\bay.exe"}, false, Launch::Command},
        {"a command on a console of its own", {"version"}, true, Launch::Command},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ChooseLaunch(c.args, c.consoleOfItsOwn, isFile), c.launch);
    }
}

TEST(PackerOutputKind, ScrNamesMakeScreensaversUnlessToldOtherwise)
{
    struct Case {
        const char* output;
        bool screensaver, noScreensaver;
        bool expected;
        const char* note;
    };
    const Case cases[] = {
        {"bay.exe", false, false, false, ""},
        {"bay.exe", true, false, true, ""},
        {"bay.scr", true, false, true, ""},
        {"bay.SCR", false, false, true,
         "screensaver: bay.SCR ends in .scr (--no-screensaver makes a plain viewer)"},
        {"bay.scr", false, true, false, ""},
        {"bay.exe", false, true, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.output) + (c.screensaver ? " --screensaver" : "") +
                     (c.noScreensaver ? " --no-screensaver" : ""));
        PackOptions options;
        options.outputPath = c.output;
        options.screensaver = c.screensaver;
        options.noScreensaver = c.noScreensaver;
        OutputKind kind;
        std::string error;
        ASSERT_TRUE(ChooseOutputKind(options, kind, error)) << error;
        EXPECT_EQ(kind.screensaver, c.expected);
        EXPECT_EQ(kind.note, c.note);
    }

    PackOptions both;
    both.outputPath = "bay.scr";
    both.screensaver = both.noScreensaver = true;
    OutputKind kind;
    std::string error;
    EXPECT_FALSE(ChooseOutputKind(both, kind, error));
    EXPECT_EQ(error, "--screensaver and --no-screensaver contradict each other");
}
