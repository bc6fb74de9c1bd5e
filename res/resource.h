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

#endif
