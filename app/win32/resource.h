// Resource ids of the Windows window, for the resource script and the code alike. The control
// ids are the dialog template's, from control_ids.h.
#pragma once

#define IDD_ABOUT 100
#define IDS_ABOUT_ITEM 101
#define IDD_MAIN_DIALOG 102
#define IDS_SOCKETS_FAILED 103
#define IDI_NORVIK 137

// Controls that nobody addresses (65535 as a control id).
#ifndef IDC_STATIC
#define IDC_STATIC -1
#endif

// The About item's command on the system menu.
#define IDM_ABOUT 0x0010
