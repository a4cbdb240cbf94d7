#include "display/change_device_dialog_win.h"

#include "resources/resource_ids.h"

namespace {

// The one open dialog's state.
struct DialogState {
    DeviceEntry** current = nullptr;
    DeviceEntry* initialDevice = nullptr;
    DWORD initialMode = 0;
    DWORD initialWindow = 0;
};

DialogState state;

DWORD WindowBoxChecked(HWND dialog)
{
    HWND box = GetDlgItem(dialog, CTL_WINDOWED);
    return box && SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

DeviceEntry* SelectedDevice(HWND dialog)
{
    DeviceEntry* entries = nullptr;
    DWORD count = 0;
    GetDisplayDevices(&entries, &count);
    const LRESULT index = SendDlgItemMessageA(dialog, CTL_DEVICE_LIST, CB_GETCURSEL, 0, 0);
    return index >= 0 && static_cast<DWORD>(index) < count ? &entries[index] : nullptr;
}

DWORD SelectedMode(HWND dialog)
{
    const LRESULT index = SendDlgItemMessageA(dialog, CTL_MODE_LIST, CB_GETCURSEL, 0, 0);
    return index >= 0
               ? static_cast<DWORD>(SendDlgItemMessageA(dialog, CTL_MODE_LIST, CB_GETITEMDATA, index, 0))
               : 0;
}

bool WriteChange(DeviceEntry* device, DWORD mode, DWORD window)
{
    if (!state.current || !device ||
        (device == state.initialDevice && mode == state.initialMode && window == state.initialWindow)) {
        return false;
    }
    *state.current = device;
    device->modeIndex = mode;
    device->inWindow = window;
    if (mode < device->modeTotal) {
        device->chosenMode = device->modeList[mode];
    }
    return true;
}

}  // namespace

HRESULT RunChangeDeviceDialog(DeviceEntry** current)
{
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr),
                                           MAKEINTRESOURCEA(DLG_CHANGE_DEVICE),
                                           GetForegroundWindow(), ChangeDeviceDialogProc,
                                           reinterpret_cast<LPARAM>(current));
    return result == 1 ? S_OK : E_FAIL;
}

INT_PTR CALLBACK ChangeDeviceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        state = DialogState{};
        state.current = reinterpret_cast<DeviceEntry**>(lParam);
        if (!state.current || !*state.current) {
            state.current = nullptr;
            return FALSE;
        }
        state.initialDevice = *state.current;
        state.initialMode = state.initialDevice->modeIndex;
        state.initialWindow = state.initialDevice->inWindow;
        FillChangeDeviceDialog(dialog, state.initialDevice, state.initialMode, state.initialWindow);
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    DeviceEntry* device = SelectedDevice(dialog);
    DWORD mode = SelectedMode(dialog);
    DWORD window = WindowBoxChecked(dialog);
    switch (LOWORD(wParam)) {
    case IDOK:
        EndDialog(dialog, WriteChange(device, mode, window) ? 1 : 2);
        return FALSE;
    case IDCANCEL:
        EndDialog(dialog, 2);
        return FALSE;
    default:
        if (!device) {
            return FALSE;
        }
        if (HIWORD(wParam) == CBN_SELENDOK && LOWORD(wParam) == CTL_DEVICE_LIST) {
            mode = device->modeIndex;
            window = device->inWindow;
        }
        FillChangeDeviceDialog(dialog, device, mode, window);
        return TRUE;
    }
}

void FillChangeDeviceDialog(HWND dialog, DeviceEntry* device, DWORD mode, DWORD window)
{
    SendDlgItemMessageA(dialog, CTL_DEVICE_LIST, CB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(dialog, CTL_MODE_LIST, CB_RESETCONTENT, 0, 0);
    if (!device->windowCapable) {
        window = 0;
    }
    DeviceEntry* entries = nullptr;
    DWORD count = 0;
    GetDisplayDevices(&entries, &count);
    for (DWORD i = 0; i < count; ++i) {
        const LRESULT item = SendDlgItemMessageA(dialog, CTL_DEVICE_LIST, CB_ADDSTRING, 0,
                                                 reinterpret_cast<LPARAM>(entries[i].label));
        if (&entries[i] != device) {
            continue;
        }
        SendDlgItemMessageA(dialog, CTL_DEVICE_LIST, CB_SETCURSEL, item, 0);
        if (HWND box = GetDlgItem(dialog, CTL_WINDOWED)) {
            EnableWindow(box, device->windowCapable == 1);
            SendMessageA(box, BM_SETCHECK, window == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        EnableWindow(GetDlgItem(dialog, CTL_MODE_LIST), window == 0);
        EnableWindow(GetDlgItem(dialog, CTL_MODE_GROUP), window == 0);
        for (DWORD j = 0; j < device->modeTotal; ++j) {
            const DDSURFACEDESC2& m = device->modeList[j];
            char text[64];
            wsprintfA(text, "%ld x %ld x %ld", static_cast<long>(m.dwWidth),
                      static_cast<long>(m.dwHeight), static_cast<long>(m.ddpfPixelFormat.dwRGBBitCount));
            const LRESULT modeItem = SendDlgItemMessageA(dialog, CTL_MODE_LIST, CB_ADDSTRING, 0,
                                                         reinterpret_cast<LPARAM>(text));
            SendDlgItemMessageA(dialog, CTL_MODE_LIST, CB_SETITEMDATA, modeItem, j);
            if (j == mode) {
                SendDlgItemMessageA(dialog, CTL_MODE_LIST, CB_SETCURSEL, modeItem, 0);
            }
        }
    }
}
