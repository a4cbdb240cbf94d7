// The viewer stub as built holds payloadOffset equal to its own size, so a
// payload appended by plain concatenation is found through the program's
// own path.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "package/payload.h"
#include "package/payload_anchor.h"
#include "payload_bytes.h"
#include "temp_file.h"

namespace {

std::string BesideThisProgram(const char* name)
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + name;
}

struct ProcessResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

// Runs a program with its standard output captured in a file; gives up
// after 20 s. A pipe would stay open as long as any helper process Wine
// starts for the program, long after the program itself has ended.
ProcessResult RunProgram(const std::string& path)
{
    ProcessResult result;
    TempFile output;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileA(output.CPath(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        ADD_FAILURE() << "cannot create " << output.Path();
        return result;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = file;
    startup.hStdError = file;
    PROCESS_INFORMATION process{};
    std::string commandLine = "\"" + path + "\"";
    const BOOL started = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        0, nullptr, nullptr, &startup, &process);
    CloseHandle(file);
    if (!started) {
        ADD_FAILURE() << "cannot start " << path << ": error " << GetLastError();
        return result;
    }
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0) << path;
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const std::vector<uint8_t> bytes = ReadFileBytes(output.Path());
    result.output.assign(bytes.begin(), bytes.end());
    return result;
}

std::vector<uint8_t> Appended(const std::vector<uint8_t>& program, const PayloadBytes& payload)
{
    std::vector<uint8_t> file = program;
    file.insert(file.end(), payload.Bytes().begin(), payload.Bytes().end());
    return file;
}

}  // namespace

TEST(StubContract, BuiltProgramsHoldTheirOwnSizeAsPayloadOffset)
{
    for (const char* name : {"panoview.exe", "payload_probe.exe"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> program = ReadFileBytes(BesideThisProgram(name));
        ASSERT_FALSE(program.empty());
        EXPECT_EQ(ReadStubPayloadOffset(program.data(), program.size()), program.size());
    }
}

TEST(StubContract, ConcatenatedPayloadIsFoundThroughTheProgramsOwnPath)
{
    const std::vector<uint8_t> probe = ReadFileBytes(BesideThisProgram("payload_probe.exe"));
    ASSERT_FALSE(probe.empty());
    const PanoSettings settings = SettingsNamed("Harbour at dusk");
    const uint8_t jpegStart[] = {0xFF, 0xD8, 0xFF, 0xE0};
    PayloadBytes records;
    records.Record(PAYLOAD_IMAGE, jpegStart, sizeof jpegStart)
        .Record(PAYLOAD_SETTINGS, &settings, sizeof settings);
    PayloadBytes payload;
    payload.U32(static_cast<uint32_t>(records.Size())).Raw(records.Bytes().data(), records.Size());

    TempFile packed(Appended(probe, payload), ".exe");
    const ProcessResult run = RunProgram(packed.Path());
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    const std::string expected = "payloadOffset " + std::to_string(probe.size()) +
                                 "\ntitle Harbour at dusk\nwindow 800 400\nimage " +
                                 std::to_string(probe.size() + 4 + 5) + "\n";
    EXPECT_EQ(run.output, expected);
}

TEST(StubContract, ProgramWithoutPayloadFindsNoSettings)
{
    TempFile copy(ReadFileBytes(BesideThisProgram("payload_probe.exe")), ".exe");
    const ProcessResult run = RunProgram(copy.Path());
    EXPECT_EQ(run.exitCode, 3u) << run.output;
}

TEST(StubContract, ViewerWithoutPayloadEndsAtOnceWithZero)
{
    const ProcessResult run = RunProgram(BesideThisProgram("panoview.exe"));
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(FindWindowA("D3D Window", nullptr), nullptr);
}
