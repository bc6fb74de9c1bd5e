// Resource ids of the acquire module QX4210.8ba (its dialogs, strings and host resources).
#pragma once

// Strings.
#define IDS_PLUGIN_ABOUT 16000
#define IDS_PLUGIN_NAME 16001
#define IDS_NEED_INTEGER 16990
#define IDS_NEED_DECIMAL 16991
#define IDS_HOST_TOO_OLD 16992
#define IDS_HOST_INCOMPATIBLE 16993

// The host's resources.
#define IDR_PIPL 16000
#define IDR_AETE 16000

// UIPARAM, the camera dialog.
#define IDC_UI_CONNECT 1
#define IDC_UI_EXIT 6
#define IDC_UI_PORT_SETUP 19
#define IDC_UI_GRID_FIRST 501
#define IDC_UI_GRID_LAST 516
#define IDC_UI_TOTAL 517
#define IDC_UI_TO 518
#define IDC_UI_SCROLL 519
#define IDC_UI_TRANSFER 600
#define IDC_UI_DELETE 601
#define IDC_UI_PREVIEW 602
#define IDC_UI_FROM 603
#define IDC_UI_FRAME 604

// COMMPARASET, the port setup.
#define IDC_PLUGIN_COM1 10
#define IDC_PLUGIN_COM4 13
#define IDC_BAUD_9600 14
#define IDC_BAUD_19200 15
#define IDC_BAUD_38400 16
#define IDC_BAUD_57600 17
#define IDC_BAUD_115200 18
#define IDC_AUTO_SET 269
