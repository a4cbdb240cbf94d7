// The device table's acceptance rules on machines Wine cannot stand for:
// the enumeration runs against the fake machines of fake_machine_win.h.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "display/device_table_win.h"
#include "fake_machine_win.h"
#include "framework/status_codes.h"

namespace {

constexpr DWORD kHardware = D3DDEVCAPS_HWRASTERIZATION;

const GUID kSecondaryA = {0x5A1E0001, 0x0D15, 0x4A7E, {0x80, 0x11, 0x00, 0xAA, 0x00, 0x5E, 0xC0, 0x01}};
const GUID kSecondaryB = {0x5A1E0002, 0x0D15, 0x4A7E, {0x80, 0x11, 0x00, 0xAA, 0x00, 0x5E, 0xC0, 0x02}};

std::string KeyText(const ModeKey& key)
{
    return std::to_string(key.width) + "x" + std::to_string(key.height) + "x" +
           std::to_string(key.bits);
}

std::string ModesText(const DeviceEntry& entry)
{
    std::string text;
    for (DWORD i = 0; i < entry.modeTotal; ++i) {
        text += KeyText(ModeKeyOf(entry.modeList[i])) + " ";
    }
    return text;
}

std::vector<DeviceEntry*> Table()
{
    DeviceEntry* first = nullptr;
    DWORD count = 0;
    GetDisplayDevices(&first, &count);
    std::vector<DeviceEntry*> entries;
    for (DWORD i = 0; i < count; ++i) {
        entries.push_back(first + i);
    }
    return entries;
}

class DeviceTableOnFakeMachines : public ::testing::Test {
protected:
    // The other tests find the table as Wine's devices fill it.
    static void TearDownTestSuite() { EXPECT_EQ(EnumerateDisplayDevices(nullptr), S_OK); }
};

// The confirm hook's record of its calls, and the device it turns down.
struct HookRecord {
    std::vector<GUID> devices;
    std::vector<DWORD> caps2;
    bool rejectEvery = false;
    GUID rejected{};
    HRESULT rejection = E_FAIL;
};
HookRecord hookRecord;

HRESULT RecordingHook(DDCAPS* adapterCaps, D3DDEVICEDESC7* desc)
{
    hookRecord.devices.push_back(desc->deviceGUID);
    hookRecord.caps2.push_back(adapterCaps->dwCaps2);
    const bool turnedDown = hookRecord.rejectEvery || IsEqualGUID(desc->deviceGUID, hookRecord.rejected);
    return turnedDown ? hookRecord.rejection : S_OK;
}

}  // namespace

TEST_F(DeviceTableOnFakeMachines, DriversWithoutADirect3DDeviceAreSkipped)
{
    struct Case {
        const char* label;
        void (*build)(FakeMachine&);
        HRESULT expected;
        DWORD accepted;
    };
    const Case cases[] = {
        {"no driver at all", [](FakeMachine&) {}, APPERR_ENUMERATION_FAILED, 0},
        {"the only driver cannot be created",
         [](FakeMachine& m) {
             m.Primary().Modes({{640, 480, 16}}).Device("HAL", IID_IDirect3DHALDevice, kHardware,
                                                        DDBD_16).createFails = true;
         },
         APPERR_ENUMERATION_FAILED, 0},
        {"no driver yields an IDirect3D7",
         [](FakeMachine& m) {
             m.Primary().Modes({{640, 480, 16}}).WithoutDirect3D();
             m.Secondary(kSecondaryA, "Second card").Modes({{640, 480, 16}}).WithoutDirect3D();
         },
         APPERR_ENUMERATION_FAILED, 0},
        {"no driver reports a device",
         [](FakeMachine& m) {
             m.Primary().Modes({{640, 480, 16}});
             m.Secondary(kSecondaryA, "Second card").Modes({{640, 480, 16}});
         },
         APPERR_ENUMERATION_FAILED, 0},
        {"a driver without Direct3D before one with a device",
         [](FakeMachine& m) {
             m.Secondary(kSecondaryA, "Second card")
                 .Modes({{640, 480, 16}})
                 .Device("HAL", IID_IDirect3DHALDevice, kHardware, DDBD_16)
                 .WithoutDirect3D();
             m.Secondary(kSecondaryB, "Broken card")
                 .Device("HAL", IID_IDirect3DHALDevice, kHardware, DDBD_16)
                 .createFails = true;
             m.Primary().Modes({{640, 480, 16}}).Device("RGB", IID_IDirect3DRGBDevice, 0, DDBD_16);
         },
         S_OK, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FakeMachine machine;
        c.build(machine);
        EXPECT_EQ(EnumerateDisplayDevices(nullptr), c.expected);
        EXPECT_EQ(Table().size(), c.accepted);
        machine.ExpectEveryReferenceReturned();
        EXPECT_EQ(machine.enumerateFlags, DWORD{DDENUM_ATTACHEDSECONDARYDEVICES |
                                               DDENUM_DETACHEDSECONDARYDEVICES |
                                               DDENUM_NONDISPLAYDEVICES});
        EXPECT_EQ(machine.enumerateContext, nullptr);
    }
}

TEST_F(DeviceTableOnFakeMachines, SoftwareDevicesOnlyOnThePrimaryDriver)
{
    struct Case {
        const char* label;
        bool secondary;
        HRESULT expected;
        size_t accepted;
    };
    const Case cases[] = {
        {"software devices of a secondary driver are all rejected", true,
         APPERR_NO_COMPATIBLE_DEVICES, 0},
        {"the same devices of the primary driver are accepted", false, S_OK, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FakeMachine machine;
        FakeDriver& driver = c.secondary ? machine.Secondary(kSecondaryA, "Second card")
                                         : machine.Primary();
        driver.Modes({{640, 480, 16}, {800, 600, 32}})
            .Device("RGB Emulation", IID_IDirect3DRGBDevice, 0, DDBD_16 | DDBD_32)
            .Device("Reference Rasterizer", IID_IDirect3DRefDevice, 0, DDBD_16 | DDBD_32);
        hookRecord = HookRecord{};
        EXPECT_EQ(EnumerateDisplayDevices(RecordingHook), c.expected);
        const std::vector<DeviceEntry*> entries = Table();
        ASSERT_EQ(entries.size(), c.accepted);
        // A device turned down by this rule is not offered to the application.
        EXPECT_EQ(hookRecord.devices.size(), c.accepted);
        for (const DeviceEntry* e : entries) {
            EXPECT_EQ(e->hardwareRaster, 0u);
            EXPECT_EQ(e->adapterGuid, nullptr);
        }
        machine.ExpectEveryReferenceReturned();
    }
}

TEST_F(DeviceTableOnFakeMachines, ConfirmHookTurnsDevicesDown)
{
    struct Case {
        const char* label;
        bool rejectEvery;
        HRESULT rejection;
        HRESULT expected;
        std::vector<GUID> accepted;
    };
    const Case cases[] = {
        {"a negative result rejects the device", false, E_FAIL, S_OK,
         {IID_IDirect3DHALDevice, IID_IDirect3DTnLHalDevice}},
        {"a positive result accepts it", false, S_FALSE, S_OK,
         {IID_IDirect3DHALDevice, IID_IDirect3DRGBDevice, IID_IDirect3DTnLHalDevice}},
        // Turned-down devices were still seen: no compatible device, not a
        // failed enumeration.
        {"every device rejected", true, E_FAIL, APPERR_NO_COMPATIBLE_DEVICES, {}},
    };
    const DWORD caps2 = DDCAPS2_CANRENDERWINDOWED | DDCAPS2_NOPAGELOCKREQUIRED;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FakeMachine machine;
        machine.Primary(caps2)
            .Modes({{640, 480, 16}})
            .Device("HAL", IID_IDirect3DHALDevice, kHardware, DDBD_16)
            .Device("RGB", IID_IDirect3DRGBDevice, 0, DDBD_16)
            .Device("T&L HAL", IID_IDirect3DTnLHalDevice, kHardware, DDBD_16);
        hookRecord = HookRecord{};
        hookRecord.rejectEvery = c.rejectEvery;
        hookRecord.rejected = IID_IDirect3DRGBDevice;
        hookRecord.rejection = c.rejection;
        EXPECT_EQ(EnumerateDisplayDevices(RecordingHook), c.expected);
        const std::vector<DeviceEntry*> entries = Table();
        ASSERT_EQ(entries.size(), c.accepted.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            SCOPED_TRACE(entries[i]->label);
            EXPECT_TRUE(IsEqualGUID(*entries[i]->rasterizerGuid, c.accepted[i]));
            EXPECT_EQ(entries[i]->modeTotal, 1u);
        }
        // Asked once per device, in the driver's order, with its capabilities.
        ASSERT_EQ(hookRecord.devices.size(), 3u);
        EXPECT_TRUE(IsEqualGUID(hookRecord.devices[1], IID_IDirect3DRGBDevice));
        for (DWORD seen : hookRecord.caps2) {
            EXPECT_EQ(seen, caps2);
        }
        machine.ExpectEveryReferenceReturned();
    }
}

TEST_F(DeviceTableOnFakeMachines, ModesFollowTheDevicesRenderDepths)
{
    const std::vector<ModeKey> mixed = {
        {1024, 768, 32}, {800, 600, 16}, {640, 480, 8},  {1024, 768, 16}, {640, 480, 32},
        {640, 400, 16},  {800, 600, 24}, {640, 480, 16}, {320, 240, 16},  {640, 480, 4},
    };
    struct Case {
        const char* label;
        std::vector<ModeKey> driverModes;
        DWORD renderDepths;
        const char* kept;  // empty: the device is rejected
        bool startsIn640x480x16;
        DWORD modeIndex;
    };
    const Case cases[] = {
        {"16 bits only: every 16-bit mode, in width, height order", mixed, DDBD_16,
         "320x240x16 640x400x16 640x480x16 800x600x16 1024x768x16 ", true, 2},
        {"24 and 32 bits: the driver's 640x480x16 is not the device's", mixed, DDBD_24 | DDBD_32,
         "640x480x32 800x600x24 1024x768x32 ", false, 0},
        {"16 bits on a driver without 640x480", {{1024, 768, 16}, {800, 600, 16}, {800, 600, 32}},
         DDBD_16, "800x600x16 1024x768x16 ", false, 0},
        {"8 bits and below are never kept", mixed, DDBD_8 | DDBD_4 | DDBD_2 | DDBD_1, "", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FakeMachine machine;
        machine.Primary().Modes(c.driverModes).Device("HAL", IID_IDirect3DHALDevice, kHardware,
                                                      c.renderDepths);
        const bool rejected = c.kept[0] == '\0';
        EXPECT_EQ(EnumerateDisplayDevices(nullptr), rejected ? APPERR_NO_COMPATIBLE_DEVICES : S_OK);
        const std::vector<DeviceEntry*> entries = Table();
        ASSERT_EQ(entries.size(), rejected ? 0u : 1u);
        machine.ExpectEveryReferenceReturned();
        if (rejected) {
            continue;
        }
        const DeviceEntry& entry = *entries[0];
        EXPECT_EQ(ModesText(entry), c.kept);
        for (DWORD i = 0; i < entry.modeTotal; ++i) {
            EXPECT_EQ(entry.modeList[i].dwSize, sizeof(DDSURFACEDESC2)) << "the record as delivered";
        }
        EXPECT_EQ(entry.modeIndex, c.modeIndex);
        if (c.startsIn640x480x16) {
            EXPECT_EQ(KeyText(ModeKeyOf(entry.chosenMode)), "640x480x16");
            EXPECT_EQ(std::memcmp(&entry.chosenMode, &entry.modeList[entry.modeIndex],
                                  sizeof entry.chosenMode),
                      0);
        } else {
            const DDSURFACEDESC2 zero{};
            EXPECT_EQ(std::memcmp(&entry.chosenMode, &zero, sizeof zero), 0) << "all zero";
        }
    }
}

TEST_F(DeviceTableOnFakeMachines, SecondaryAdapterDevicesAreListedButNeverTheDefault)
{
    const std::string card = "Voodoo 3D Accelerator";
    struct Case {
        const char* label;
        bool withPrimary;
        DWORD primaryCaps2;
        HRESULT expectedDefault;
    };
    const Case cases[] = {
        {"beside a window-capable primary HAL", true, DDCAPS2_CANRENDERWINDOWED, S_OK},
        {"beside a primary that cannot render windowed", true, 0, APPERR_NO_D3D_DEVICES},
        {"alone", false, 0, APPERR_NO_D3D_DEVICES},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        FakeMachine machine;
        if (c.withPrimary) {
            machine.Primary(c.primaryCaps2)
                .Modes({{640, 480, 16}})
                .Device("Direct3D HAL", IID_IDirect3DHALDevice, kHardware, DDBD_16);
        }
        // The secondary driver's own caps claim windowed rendering; only the
        // primary display driver's count.
        machine.Secondary(kSecondaryA, card, DDCAPS2_CANRENDERWINDOWED)
            .Modes({{640, 480, 16}, {800, 600, 16}})
            .Device("Direct3D T&L HAL", IID_IDirect3DTnLHalDevice, kHardware, DDBD_16)
            .Device("Direct3D HAL", IID_IDirect3DHALDevice, kHardware, DDBD_16);
        ASSERT_EQ(EnumerateDisplayDevices(nullptr), S_OK);
        const std::vector<DeviceEntry*> entries = Table();
        ASSERT_EQ(entries.size(), c.withPrimary ? 3u : 2u);
        machine.ExpectEveryReferenceReturned();

        const size_t firstSecondary = c.withPrimary ? 1 : 0;
        for (size_t i = firstSecondary; i < entries.size(); ++i) {
            const DeviceEntry& e = *entries[i];
            SCOPED_TRACE(i);
            EXPECT_EQ(e.label, card) << "the driver's description, not the device name";
            ASSERT_EQ(e.adapterGuid, &e.adapterGuidStore);
            EXPECT_TRUE(IsEqualGUID(*e.adapterGuid, kSecondaryA));
            EXPECT_EQ(e.windowCapable, 0u);
            EXPECT_EQ(e.inWindow, 0u);
            EXPECT_EQ(e.adapterCaps.dwCaps2, DWORD{DDCAPS2_CANRENDERWINDOWED});
        }
        if (c.withPrimary) {
            EXPECT_STREQ(entries[0]->label, "Direct3D HAL");
            EXPECT_EQ(entries[0]->adapterGuid, nullptr);
            EXPECT_EQ(entries[0]->windowCapable, c.primaryCaps2 ? 1u : 0u);
        }

        DeviceEntry* chosen = nullptr;
        EXPECT_EQ(ChooseDefaultDisplayDevice(&chosen, 0), c.expectedDefault);
        EXPECT_EQ(chosen, c.expectedDefault == S_OK ? entries[0] : nullptr)
            << "the primary's plain HAL wins over the secondary T&L HAL";
    }
}

TEST_F(DeviceTableOnFakeMachines, LongLabelsAreCutTo38Characters)
{
    const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    FakeMachine machine;
    machine.Primary()
        .Modes({{640, 480, 16}})
        .Device(letters.substr(0, 38), IID_IDirect3DHALDevice, kHardware, DDBD_16)
        .Device(letters.substr(0, 39), IID_IDirect3DRGBDevice, 0, DDBD_16)
        .Device(letters, IID_IDirect3DRefDevice, 0, DDBD_16);
    machine.Secondary(kSecondaryA, letters.substr(0, 39))
        .Modes({{640, 480, 16}})
        .Device("short", IID_IDirect3DHALDevice, kHardware, DDBD_16);
    ASSERT_EQ(EnumerateDisplayDevices(nullptr), S_OK);
    const std::vector<DeviceEntry*> entries = Table();
    ASSERT_EQ(entries.size(), 4u);
    const std::string cut = letters.substr(0, 38);
    const char* labels[] = {"device name of 38", "device name of 39", "device name of 62",
                            "driver description of 39"};
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(labels[i]);
        EXPECT_EQ(entries[i]->label, cut);
    }
    machine.ExpectEveryReferenceReturned();
}

TEST_F(DeviceTableOnFakeMachines, TheTableHoldsTwentyDevices)
{
    FakeMachine machine;
    FakeDriver& driver = machine.Primary().Modes({{640, 480, 16}});
    for (int i = 0; i < 25; ++i) {
        driver.Device("device " + std::to_string(i), IID_IDirect3DHALDevice, kHardware, DDBD_16);
    }
    ASSERT_EQ(EnumerateDisplayDevices(nullptr), S_OK);
    const std::vector<DeviceEntry*> entries = Table();
    ASSERT_EQ(entries.size(), size_t{kMaxDisplayDevices});
    EXPECT_STREQ(entries.back()->label, "device 19");
    machine.ExpectEveryReferenceReturned();
}

namespace {

// A machine with a HAL on the primary display driver and one on a second card.
struct TwoCards {
    FakeMachine machine;
    FakeDriver& primary = machine.Primary().Modes({{640, 480, 16}}).Device(
        "Direct3D HAL", IID_IDirect3DHALDevice, kHardware, DDBD_16);
    FakeDriver& secondary = machine.Secondary(kSecondaryA, "Second card")
                                .Modes({{640, 480, 16}})
                                .Device("Direct3D HAL", IID_IDirect3DHALDevice, kHardware, DDBD_16);
};

}  // namespace

TEST_F(DeviceTableOnFakeMachines, OtherDriversWaitUntilTheTableIsRead)
{
    TwoCards cards;
    FakeMachine& machine = cards.machine;
    FakeDriver& primary = cards.primary;
    FakeDriver& secondary = cards.secondary;
    ASSERT_EQ(EnumerateDisplayDevices(nullptr), S_OK);
    EXPECT_EQ(secondary.directDraw.references.handedOut, 0);
    DeviceEntry* chosen = nullptr;
    ASSERT_EQ(ChooseDefaultDisplayDevice(&chosen, 0), S_OK);
    EXPECT_EQ(chosen->adapterGuid, nullptr);

    // The primary driver's object stays for the display, handed out once.
    EXPECT_EQ(TakeEnumeratedDirectDraw(&kSecondaryA), nullptr);
    IDirectDraw7* kept = TakeEnumeratedDirectDraw(nullptr);
    EXPECT_EQ(kept, static_cast<IDirectDraw7*>(&primary.directDraw));
    EXPECT_EQ(TakeEnumeratedDirectDraw(nullptr), nullptr);
    EXPECT_EQ(primary.directDraw.references.handedOut - primary.directDraw.references.released, 1);
    EXPECT_EQ(primary.direct3D.references.handedOut, primary.direct3D.references.released);
    if (kept) {
        kept->Release();
    }

    const std::vector<DeviceEntry*> entries = Table();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], chosen);
    EXPECT_EQ(entries[1]->label, std::string("Second card"));
    EXPECT_EQ(secondary.directDraw.references.handedOut, 1);
    EXPECT_EQ(primary.directDraw.references.handedOut, 1) << "the primary is not asked again";
    EXPECT_EQ(Table().size(), 2u) << "enumerated once";
    machine.ExpectEveryReferenceReturned();
}

TEST_F(DeviceTableOnFakeMachines, ReleasingTheTableGivesBackTheKeptObject)
{
    TwoCards cards;
    FakeDriver& primary = cards.primary;
    FakeDriver& secondary = cards.secondary;
    ASSERT_EQ(EnumerateDisplayDevices(nullptr), S_OK);
    ReleaseDisplayDevices();
    EXPECT_EQ(primary.directDraw.references.handedOut, primary.directDraw.references.released);
    EXPECT_EQ(TakeEnumeratedDirectDraw(nullptr), nullptr);
    DWORD count = 0;
    GetDisplayDevices(nullptr, &count);
    EXPECT_EQ(count, 1u) << "no driver is set up after the clean-up";
    EXPECT_EQ(secondary.directDraw.references.handedOut, 0);
}
