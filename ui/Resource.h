// Resource and control identifiers, shared by the resource script and code.
#pragma once

#define IDD_ABOUT 100
#define IDD_MAIN_DIALOG 102
#define IDD_PROGRESS 129

#define IDS_ABOUT_MENU 101
#define IDS_NO_ACCESS 102
#define IDS_OVERWRITE 103

#define IDI_APP_ICON 128

#define IDC_FILE_LIST 1001
#define IDC_PROGRESS_BAR 1002
#define IDC_TOTAL_FILES 1003
#define IDC_CONVERT_FILES 1004
#define IDC_ERROR_FILES 1005
#define IDC_DROP_HINT 1008

// System-menu command of the About box; its low four bits must stay clear
// because the system uses them.
#define IDM_ABOUT 0x0010

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
