#include "framework/stage_trace_win.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>

namespace {

// kernel32's K32GetProcessMemoryInfo, looked up only when tracing so the
// program imports nothing for it.
using MemoryInfoFunction = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);

uint64_t FileTimeTicks(const FILETIME& time)
{
    return (uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

class StageTrace {
public:
    StageTrace() = default;
    StageTrace(const StageTrace&) = delete;
    StageTrace& operator=(const StageTrace&) = delete;
    ~StageTrace()
    {
        if (file_ != INVALID_HANDLE_VALUE) {
            CloseHandle(file_);
        }
    }

    void Start()
    {
        char path[MAX_PATH];
        const DWORD length = GetEnvironmentVariableA("PANO_TRACE", path, sizeof path);
        if (length == 0 || length >= sizeof path) {
            return;
        }
        file_ = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file_ == INVALID_HANDLE_VALUE) {
            return;
        }
        // The wall clock gives the time since creation once; the counter,
        // finer than the wall clock on Windows, carries it on from here.
        FILETIME creation, exited, kernel, user, now;
        GetProcessTimes(GetCurrentProcess(), &creation, &exited, &kernel, &user);
        GetSystemTimeAsFileTime(&now);
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&origin_);
        originMs_ = static_cast<double>(FileTimeTicks(now) - FileTimeTicks(creation)) / 10000.0;
        memoryInfo_ = reinterpret_cast<MemoryInfoFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
    }

    void Write(const char* stage, const char* detail)
    {
        if (file_ == INVALID_HANDLE_VALUE) {
            return;
        }
        LARGE_INTEGER counter;
        QueryPerformanceCounter(&counter);
        const double ms = originMs_ + static_cast<double>(counter.QuadPart - origin_.QuadPart) *
                                          1000.0 / static_cast<double>(frequency_.QuadPart);
        PROCESS_MEMORY_COUNTERS memory = {};
        memory.cb = sizeof memory;
        if (!memoryInfo_ || !memoryInfo_(GetCurrentProcess(), &memory, sizeof memory)) {
            memory.PeakWorkingSetSize = 0;
        }
        char line[256];
        const int written =
            std::snprintf(line, sizeof line, "%.1f %lu %s%s%s\n", ms,
                          static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024), stage,
                          detail ? " " : "", detail ? detail : "");
        if (written > 0) {
            DWORD done = 0;
            const DWORD size = written < static_cast<int>(sizeof line)
                                   ? static_cast<DWORD>(written)
                                   : static_cast<DWORD>(sizeof line - 1);
            WriteFile(file_, line, size, &done, nullptr);
        }
    }

private:
    HANDLE file_ = INVALID_HANDLE_VALUE;
    LARGE_INTEGER frequency_ = {};
    LARGE_INTEGER origin_ = {};
    double originMs_ = 0;
    MemoryInfoFunction memoryInfo_ = nullptr;
};

StageTrace trace;

}  // namespace

void StartStageTrace()
{
    trace.Start();
}

void TraceStage(const char* stage, const char* detail)
{
    trace.Write(stage, detail);
}
