#include "viewer/jpeg_errors.h"

namespace {

void OnJpegError(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    errors->base.format_message(cinfo, errors->message);
    std::longjmp(errors->recovery, 1);
}

}  // namespace

jpeg_error_mgr* UseJpegErrors(JpegErrors& errors)
{
    jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegError;
    errors.message[0] = '\0';
    return &errors.base;
}
