#include "package/launch_switches.h"

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsSwitch(const char* commandLine, char letter)
{
    return commandLine[0] == '/' && Lower(commandLine[1]) == letter;
}

// The decimal handle after "/p" and its blank or colon; 0 when there is
// none or it does not fit into 64 bits.
uint64_t PreviewHandle(const char* commandLine)
{
    const char* at = commandLine + 2;
    if (*at != ' ' && *at != ':') {
        return 0;
    }
    ++at;
    uint64_t handle = 0;
    const char* digits = at;
    for (; *at >= '0' && *at <= '9'; ++at) {
        const uint64_t digit = static_cast<uint64_t>(*at - '0');
        if (handle > (UINT64_MAX - digit) / 10) {
            return 0;
        }
        handle = handle * 10 + digit;
    }
    const bool ended = *at == '\0' || *at == ' ';
    return at > digits && ended ? handle : 0;
}

}  // namespace

LaunchChoice DecideLaunch(const char* commandLine, bool previewsOn)
{
    if (commandLine[0] == '\0' || IsSwitch(commandLine, 'c')) {
        return {Launch::About, 0};
    }
    if (IsSwitch(commandLine, 's')) {
        return {Launch::Run, 0};
    }
    if (previewsOn && IsSwitch(commandLine, 'p')) {
        const uint64_t handle = PreviewHandle(commandLine);
        if (handle != 0) {
            return {Launch::Preview, handle};
        }
    }
    return {Launch::Nothing, 0};
}
