#include "framework/status_codes.h"

#include <cstring>

namespace {

struct CodeText {
    HRESULT code;
    const char* text;
};

const CodeText kTexts[] = {
    {E_OUTOFMEMORY, "Not enough memory!"},
    {APPERR_DDRAW_CREATE_FAILED, "Could not create DirectDraw!"},
    {APPERR_ENUMERATION_FAILED,
     "Enumeration failed. Your system may be in an\nunstable state and need to be rebooted"},
    {APPERR_NO_COMPATIBLE_DEVICES,
     "Could not find any compatible devices.\n\nTry enabling the reference rasterizer using\n"
     "EnableRefRast.reg."},
    {APPERR_NO_D3D_DEVICES, "Could not find any compatible Direct3D\ndevices."},
    {FWERR_GENERIC, "Generic initialization error.\n\nEnable debug output for detailed information."},
    {FWERR_NO_DIRECTDRAW, "No DirectDraw"},
    {FWERR_COOPERATIVE_LEVEL, "Could not set Cooperative Level"},
    {FWERR_NO_DIRECT3D, "No Direct3D"},
    {FWERR_DEVICE_CREATE_FAILED, "Could not create the Direct3DDevice object."},
    {FWERR_NO_ZBUFFER, "No ZBuffer"},
    {FWERR_BAD_ZBUFFER_DEPTH, "Invalid Z-buffer depth. Try switching modes\nfrom 16- to 32-bit (or vice versa)"},
    {FWERR_NO_VIEWPORT, "No Viewport"},
    {FWERR_NO_PRIMARY, "No primary"},
    {FWERR_NO_CLIPPER, "No Clipper"},
    {FWERR_BAD_DISPLAY_MODE, "Bad display mode"},
    {FWERR_NO_BACKBUFFER, "No backbuffer"},
    {FWERR_NONZERO_REFCOUNT,
     "A DDraw object has a non-zero reference\ncount (meaning it was not properly cleaned up)."},
    {FWERR_NO_RENDER_TARGET, "No render target"},
    {FWERR_DESKTOP_TOO_FEW_COLORS,
     "This sample requires a 16-bit (or higher) display mode\nto run in a window.\n\n"
     "Please switch your desktop settings accordingly."},
    {STATUS_DD_OUTOFVIDEOMEMORY,
     "There was insufficient video memory to use the\nhardware device."},
};

const char kGenericText[] = "Generic application error.\n\nEnable debug output for detailed information.";
const char kChipsetLine[] =
    "\nThe 3D hardware chipset may not support\nrendering in the current display mode.";
const char kFatalEnding[] = "\n\nThis sample will now exit.";
const char kFallbackEnding[] = "\n\nSwitching to software rasterizer.";

constexpr unsigned kIconError = 0x10;
constexpr unsigned kIconWarning = 0x30;

void Append(char (&text)[kErrorTextCapacity], const char* more)
{
    std::strncat(text, more, kErrorTextCapacity - 1 - std::strlen(text));
}

}  // namespace

void ComposeFrameworkError(HRESULT code, int kind, char (&text)[kErrorTextCapacity])
{
    text[0] = '\0';
    const char* message = kGenericText;
    for (const CodeText& entry : kTexts) {
        if (entry.code == code) {
            message = entry.text;
        }
    }
    Append(text, message);
    if (code == FWERR_DEVICE_CREATE_FAILED && kind == ERRKIND_FALLBACK) {
        Append(text, kChipsetLine);
    }
    Append(text, kind == ERRKIND_FALLBACK ? kFallbackEnding : kFatalEnding);
}

unsigned ErrorIcon(int kind)
{
    return kind == ERRKIND_FALLBACK ? kIconWarning : kIconError;
}
