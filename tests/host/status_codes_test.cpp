// The framework's message boxes: a listed code's text or the generic one, with the ending for a
// fatal error or the software fallback, within the text capacity, and each kind's icon.
#include "framework/status_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Text(HRESULT code, int kind)
{
    char text[kErrorTextCapacity];
    ComposeFrameworkError(code, kind, text);
    return text;
}

const char kGeneric[] = "Generic application error.\n\nEnable debug output for detailed information.";

}  // namespace

TEST(FrameworkErrors, DeviceFailureWithFallbackHasThreeParts)
{
    EXPECT_EQ(Text(FWERR_DEVICE_CREATE_FAILED, ERRKIND_FALLBACK),
              "Could not create the Direct3DDevice object."
              "\nThe 3D hardware chipset may not support\nrendering in the current display mode."
              "\n\nSwitching to software rasterizer.");
    EXPECT_EQ(Text(FWERR_DEVICE_CREATE_FAILED, ERRKIND_FATAL),
              "Could not create the Direct3DDevice object.\n\nThis sample will now exit.");
}

TEST(FrameworkErrors, UnlistedCodesGetTheGenericText)
{
    for (const HRESULT code : {FWERR_NOT_INITIALIZED, E_INVALIDARG, E_FAIL, Status(0x80001234)}) {
        EXPECT_EQ(Text(code, ERRKIND_FATAL), std::string(kGeneric) + "\n\nThis sample will now exit.");
        EXPECT_EQ(Text(code, ERRKIND_FALLBACK),
                  std::string(kGeneric) + "\n\nSwitching to software rasterizer.");
    }
}

TEST(FrameworkErrors, ListedTexts)
{
    EXPECT_EQ(Text(E_OUTOFMEMORY, ERRKIND_FATAL), "Not enough memory!\n\nThis sample will now exit.");
    EXPECT_EQ(Text(APPERR_NO_D3D_DEVICES, ERRKIND_FATAL),
              "Could not find any compatible Direct3D\ndevices.\n\nThis sample will now exit.");
    EXPECT_EQ(Text(STATUS_DD_OUTOFVIDEOMEMORY, ERRKIND_FALLBACK),
              "There was insufficient video memory to use the\nhardware device."
              "\n\nSwitching to software rasterizer.");
    // The longest text with the longest ending still fits.
    const std::string longest = Text(FWERR_DESKTOP_TOO_FEW_COLORS, ERRKIND_FALLBACK);
    EXPECT_LT(longest.size(), kErrorTextCapacity);
    const std::string ending = "\n\nSwitching to software rasterizer.";
    EXPECT_EQ(longest.substr(longest.size() - ending.size()), ending);
}

TEST(FrameworkErrors, IconsByKind)
{
    EXPECT_EQ(ErrorIcon(ERRKIND_FATAL), 0x10u);
    EXPECT_EQ(ErrorIcon(ERRKIND_FALLBACK), 0x30u);
}
