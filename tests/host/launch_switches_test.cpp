// The screensaver's command line: which switch runs, shows the about box,
// draws the live preview into which window, or does nothing.
#include "package/launch_switches.h"

#include <gtest/gtest.h>

TEST(LaunchSwitches, TheFirstTwoCharactersChooseAndAPreviewNeedsItsWindow)
{
    struct Case {
        const char* commandLine;
        bool previewsOn;
        Launch launch;
        uint64_t window;
    };
    const Case cases[] = {
        {"", true, Launch::About, 0},
        {"/c", false, Launch::About, 0},
        {"/s", false, Launch::Run, 0},
        {"/p 1234", false, Launch::Nothing, 0},
        {"/p 1234", true, Launch::Preview, 1234},
        {"/P:66130", true, Launch::Preview, 66130},
        {"/p 4294967295 ", true, Launch::Preview, 4294967295},
        {"/p", true, Launch::Nothing, 0},
        {"/p 0", true, Launch::Nothing, 0},
        {"/p12", true, Launch::Nothing, 0},
        {"/p 12ab", true, Launch::Nothing, 0},
        {"/p 99999999999999999999", true, Launch::Nothing, 0},
        {"/a", true, Launch::Nothing, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.commandLine + (c.previewsOn ? "' with" : "' without") +
                     " previews");
        const LaunchChoice choice = DecideLaunch(c.commandLine, c.previewsOn);
        EXPECT_EQ(choice.launch, c.launch);
        EXPECT_EQ(choice.previewWindow, c.window);
    }
}
