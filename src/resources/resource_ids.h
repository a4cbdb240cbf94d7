// Identifiers shared by the resource scripts and the code.
#pragma once

#define IDI_PROGRAM 101
#define IDR_ACCELERATORS 113
#define DLG_ABOUT 143
#define DLG_CHANGE_DEVICE 144

#define CTL_DEVICE_LIST 1000
#define CTL_MODE_LIST 1001
#define CTL_WINDOWED 1012
#define CTL_MODE_GROUP 1014

#define CMD_CHANGE_DEVICE 40002
#define CMD_TOGGLE_FULLSCREEN 40003
#define CMD_EXIT 40006
