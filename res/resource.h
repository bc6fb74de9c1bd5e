/* Identifiers shared by the resource script and the program. */
#ifndef VISTREL_RES_RESOURCE_H
#define VISTREL_RES_RESOURCE_H

#include "shell_ids.h"

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
#define IDC_ABOUT_VERSION 306 /* the about box's version line */

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

/* The port setup "CommParaSet": COM1 to COM4, then the five speeds, and Auto Setup. */
#define IDC_PORT_COM1 260
#define IDC_PORT_COM2 261
#define IDC_PORT_COM3 262
#define IDC_PORT_COM4 263
#define IDC_SPEED_9600 264
#define IDC_SPEED_19200 265
#define IDC_SPEED_38400 266
#define IDC_SPEED_57600 267
#define IDC_SPEED_115200 268
#define IDC_AUTO_SETUP 5001

/* The clock dialog "TIMESETUP_US" and its regional variants. */
#define IDC_CLOCK_AM 650
#define IDC_CLOCK_PM 651
#define IDC_CLOCK_YEAR 652
#define IDC_CLOCK_MONTH 653
#define IDC_CLOCK_DAY 654
#define IDC_CLOCK_HOUR 655
#define IDC_CLOCK_MINUTE 656
#define IDC_CLOCK_FROM_PC 657
#define IDC_CLOCK_OK 658

/* The delete question "DSCSTATUSDLGDEL". */
#define IDC_DELETE_YES 800
#define IDC_DELETE_ALL 801
#define IDC_DELETE_NO 802
#define IDC_DELETE_CANCEL 803

/* The model-1 image list "MemReq". */
#define IDC_LIST_TRANSFER 280
#define IDC_LIST_EXIT 281
#define IDC_LIST_PREVIEW 282
#define IDC_LIST_DELETE 283
#define IDC_LIST_SELECT_ALL 284
#define IDC_IMAGE_LIST 285

/* The transfer path "StatusDir". */
#define IDC_DIR_PATH 403
#define IDC_DIR_LABEL 404
#define IDC_DIR_BROWSE 406

/* The open dialogs' extension "FILEOPEN": the preview check box and the picture box. */
#define IDC_OPEN_PREVIEW_CHECK 240
#define IDC_OPEN_PREVIEW_BOX 241
#define IDC_OPEN_STANDARD 1119 /* stc32: where the standard controls go */

/* Image Size "SIZECHANGE_US" and its regional variants. */
#define IDC_SIZE_CURRENT_WIDTH 451
#define IDC_SIZE_CURRENT_HEIGHT 452
#define IDC_SIZE_NEW_WIDTH 453
#define IDC_SIZE_NEW_HEIGHT 454
#define IDC_SIZE_CURRENT_GROUP 455
#define IDC_SIZE_NEW_GROUP 456
#define IDC_SIZE_LABEL_FIRST 457 /* 457 to 462: the width, height and "x" labels */

/* Image Adjustment "PHTDLG_US" and its regional variants. */
#define IDC_ADJ_MODE_GROUP 1200
#define IDC_ADJ_VALUES_GROUP 1201
#define IDC_ADJ_MANUAL 1202
#define IDC_ADJ_AUTOMATIC 1203
#define IDC_ADJ_LABEL_FIRST 1205  /* brightness, contrast, saturation, sharpness labels */
#define IDC_ADJ_VALUE_FIRST 1209  /* their value texts */
#define IDC_ADJ_SLIDER_FIRST 1213 /* their sliders */
#define IDC_ADJ_RANGE_FIRST 1217  /* 1217 to 1224: low and high end texts of each slider */
#define IDC_ADJ_BEFORE_GROUP 1225
#define IDC_ADJ_AFTER_GROUP 1226
#define IDC_ADJ_BEFORE 1227
#define IDC_ADJ_AFTER 1228

/* The save dialog's extension template "FILESAVE". */
#define IDC_FILESAVE_NOTE 1301
/* The slide show: the options "VIEWSETUP" / "VIEWSETUP_EU" and the toolbar "VIEWMENUDLG". */
#define IDC_SLIDE_FULL 901
#define IDC_SLIDE_ORIGINAL 902
#define IDC_SLIDE_SPEED 903
#define IDC_SLIDE_LONG 904
#define IDC_SLIDE_SHORT 905
#define IDC_SLIDE_STANDARD 906
#define IDC_SLIDE_RANDOM 907
#define IDC_SLIDE_SIZE_GROUP 908
#define IDC_SLIDE_TIME_GROUP 909
#define IDC_SLIDE_ORDER_GROUP 910
#define IDC_SLD_POINTER 983
#define IDC_SLD_SIZE 984
#define IDC_SLD_PREV 985
#define IDC_SLD_PLAY 986
#define IDC_SLD_NEXT 988
#define IDC_SLD_EXIT 1
#define IDB_SLD_CURSOR_ON 950
#define IDB_SLD_CURSOR_OFF 951
#define IDB_SLD_SCRN_STD 952
#define IDB_SLD_SCRN_BIG 953
#define IDB_SLD_PREV 954
#define IDB_SLD_PLAY 955
#define IDB_SLD_PAUSE 956
#define IDB_SLD_NEXT 957
#define IDB_SLD_EXIT 958

/* The print dialog "PRINT88C" and the abort dialog "PRTDLG". */
#define IDC_PRINT_ALL 551
#define IDC_PRINT_SELECT 552
#define IDC_PRINT_ALBUM 553
#define IDC_PRINT_TWO 554
#define IDC_PRINT_FOUR 555
#define IDC_PRINT_SIXTEEN 556
#define IDC_PRINT_SEPARATOR 557
#define IDC_PRINT_ALBUM_GROUP 558
#define IDC_PRINT_PAPER 559
#define IDC_PRINT_ORIGINAL 560
#define IDC_PRINT_UPPER 561
#define IDC_PRINT_LOWER 562
#define IDC_PRINT_IMAGE_GROUP 563
#define IDC_PRINT_NAME 564
#define IDC_PRINT_DATE 565
#define IDC_PRINT_OTHER_GROUP 566
#define IDC_PRINTING_TEXT 570

#endif
