/* Identifiers shared by the resource script and the program. */
#ifndef VISTREL_RES_RESOURCE_H
#define VISTREL_RES_RESOURCE_H

#define IDI_FRAME 407
#define IDI_ALBUM 408
#define IDI_IMAGE 409

#define IDB_SAVE_AS 494
#define IDB_NEW_ALBUM 495
#define IDB_CAMERA 496
#define IDB_ADD_ALBUM 497
#define IDB_WINDOWS 498
#define IDB_HELP 499

#define IDC_METER 300
#define IDC_METER_TITLE 301
#define IDC_METER_DETAIL 302
#define IDC_STATUS_TEXT 303
#define IDC_STATUS_DETAIL 304
#define IDC_METER_FRAME 305

/* The camera browser "Image Preview". */
#define IDC_GRID_FIRST 501 /* 501 to 516, row by row */
#define IDC_GRID_LAST 516
#define IDC_FIRST_NUMBER 600
#define IDC_LAST_NUMBER 601
#define IDC_PREVIEW 602
#define IDC_TRANSFER 603
#define IDC_DELETE 604
#define IDC_GRID_FRAME 609
#define IDC_TOTAL 610
#define IDC_BROWSER_SCROLL 660

/* The delete question "DSCSTATUSDLGDEL". */
#define IDC_DELETE_YES 800
#define IDC_DELETE_ALL 801
#define IDC_DELETE_NO 802
#define IDC_DELETE_CANCEL 803

#endif
