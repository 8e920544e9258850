// Resource and control identifiers of update.exe.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_UPDATE_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_PICTURE 130

#define IDC_STATUS 1000
#define IDC_PICTURE 1001
#define IDC_ABOUT_VERSION 1002
#define IDC_ABOUT_ICON 1003
#define IDC_ABOUT_NOTE 1004

// The window-menu command of the About box; the low four bits are free for the system.
#define IDM_ABOUTBOX 0x0010
