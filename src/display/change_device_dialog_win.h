// The change-device dialog: another device from the table, window or full
// screen, and the full-screen mode, written into the chosen entry.
#pragma once

#include <windows.h>

#include "display/device_table_win.h"

// 0 when the user confirmed a change (written through *current and into
// the entry); E_FAIL for Cancel, OK without a change, or no dialog.
HRESULT RunChangeDeviceDialog(DeviceEntry** current);

INT_PTR CALLBACK ChangeDeviceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Rebuilds both lists and the enabled and checked states for device.
void FillChangeDeviceDialog(HWND dialog, DeviceEntry* device, DWORD mode, DWORD window);
