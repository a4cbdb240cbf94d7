// libjpeg's error handling for readers of untrusted files: a fatal error
// jumps back to the caller's recovery point instead of ending the process,
// and keeps the library's message so that the failure can say what went
// wrong.
#pragma once

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf recovery;
    // The library's message of the fatal error; a caller may put its own
    // reason here for a failure of its own.
    char message[JMSG_LENGTH_MAX];
};

// The library's standard error manager in errors, leaving through
// errors.recovery; the pointer to put into cinfo.err. The caller sets the
// recovery point with setjmp before the first library call.
jpeg_error_mgr* UseJpegErrors(JpegErrors& errors);
