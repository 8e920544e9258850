// Resource and control identifiers of applet.exe.
#pragma once

#define IDB_LOGO 100

#define IDC_MEMO_STATUS 1001
#define IDC_BUTTON_LINK 1002
#define IDC_BUTTON_OK 1003
#define IDC_PROGRESS_BAR 1004
