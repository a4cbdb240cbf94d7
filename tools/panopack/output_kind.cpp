#include "tools/panopack/output_kind.h"

#include "tools/panopack/file_names.h"

bool ChooseOutputKind(const PackOptions& options, OutputKind& kind, std::string& error)
{
    if (options.screensaver && options.noScreensaver) {
        error = "--screensaver and --no-screensaver contradict each other";
        return false;
    }
    kind = OutputKind{};
    if (options.screensaver) {
        kind.screensaver = true;
    } else if (!options.noScreensaver && IsScreensaverName(options.outputPath)) {
        kind.screensaver = true;
        kind.note = "screensaver: " + options.outputPath +
                    " ends in .scr (--no-screensaver makes a plain viewer)";
    }
    return true;
}
