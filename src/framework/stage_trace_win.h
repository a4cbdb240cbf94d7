// The start-up stage trace: when the environment variable PANO_TRACE names a
// file, each stage appends one line to it,
//   <ms since process creation> <peak working set in KiB> <stage> [detail]
// The clock is the process's creation time (GetProcessTimes) carried on by
// the performance counter. Without PANO_TRACE every call returns at once.
#pragma once

// Reads PANO_TRACE; the first line of WinMain calls it once.
void StartStageTrace();

// Appends the stage's line when tracing; detail may be null.
void TraceStage(const char* stage, const char* detail = nullptr);
