#include "tools/panopack/launch_win.h"

#include <windows.h>

#include <shellapi.h>

#include "tools/common/utf8_win.h"

std::vector<std::string> CommandLineArguments()
{
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> args;
    for (int i = 1; words && i < count; ++i) {
        args.push_back(Utf8FromWide(words[i]));
    }
    LocalFree(words);
    return args;
}

bool ConsoleOfItsOwn()
{
    DWORD processes[2] = {};
    return GetConsoleProcessList(processes, 2) == 1;
}

bool IsExistingFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(WideFromUtf8(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void WriteOutput(OutputStream stream, const std::string& text)
{
    if (text.empty()) {
        return;
    }
    HANDLE handle = GetStdHandle(stream == OutputStream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = WideFromUtf8(text);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    } else {
        WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    }
}

void ShowMessage(const std::string& text, bool failed)
{
    std::string shown = text;
    while (!shown.empty() && shown.back() == '\n') {
        shown.pop_back();
    }
    MessageBoxW(nullptr, WideFromUtf8(shown).c_str(), L"panopack",
                MB_OK | (failed ? MB_ICONERROR : MB_ICONINFORMATION));
}
