/* The program shell's identifiers: menu and toolbar commands, menu bar positions, window words
   and kinds, window classes, private messages and the message box title. The resource script
   and every layer above use them by these names; each value is written here and nowhere else.
   What the resource compiler reads is plain preprocessor; the C++ part is hidden from it. */
#ifndef VISTREL_RES_SHELL_IDS_H
#define VISTREL_RES_SHELL_IDS_H

/* Menu commands of "DscMenu". The string resource of the same number is the item's help text
   while it is enabled. */
#define IDM_OPEN 100
#define IDM_SAVE 101
#define IDM_PRINT 102
#define IDM_EXIT 103
#define IDM_ABOUT 104
#define IDM_NEW_ALBUM 105
#define IDM_CLOSE 106
#define IDM_SAVE_AS 107
#define IDM_HELP_CONTENTS 108
#define IDM_COM_SETUP 120
#define IDM_DATA_IN 121
#define IDM_DATA_OUT 122
#define IDM_PRINT_SETUP 123
#define IDM_CLOCK_SETUP 125
#define IDM_COPY 140
#define IDM_PASTE 141
#define IDM_CUT 142
#define IDM_ADD_TO_ALBUM 143
#define IDM_TILE 160
#define IDM_CASCADE 161
#define IDM_ARRANGE_ICONS 162
#define IDM_CLOSE_ALL 163
#define IDM_TOOLBAR_TOGGLE 164
#define IDM_STATUSBAR_TOGGLE 165
#define IDM_ADJUST 170
#define IDM_ZOOM25 171
#define IDM_ZOOM50 172
#define IDM_ZOOM100 173
#define IDM_ZOOM200 174
#define IDM_ZOOM400 175
#define IDM_ROTATE_RIGHT 176
#define IDM_ROTATE_LEFT 177
#define IDM_UNDO 178
#define IDM_CUTOUT 179
#define IDM_IMAGE_SIZE 180
#define IDM_SLIDE_OPTIONS 470
#define IDM_SLIDE_START 500

/* Toolbar commands. The string resource of the same number is the button's tooltip. */
#define IDT_OPEN 400
#define IDT_SAVE_AS 401
#define IDT_PRINT 402
#define IDT_NEW_ALBUM 405
#define IDT_CAMERA 420 /* no button carries it; it goes to the default procedure */
#define IDT_DATA_IN 421
#define IDT_DATA_OUT 422
#define IDT_COPY 440
#define IDT_PASTE 441
#define IDT_CUT 442
#define IDT_ADD_TO_ALBUM 443
#define IDT_TILE 460
#define IDT_CASCADE 461
#define IDT_HELP 462

#if !defined(RC_INVOKED) && defined(__cplusplus)

/* Positions of the menu bar's pop-ups; each moves one place right while the active MDI child is
   maximised (its system menu comes first). */
constexpr int kPopupFile = 0;
constexpr int kPopupEdit = 1;
constexpr int kPopupImage = 2;
constexpr int kPopupView = 3;
constexpr int kPopupWindow = 4;
constexpr int kCommunicationPosition = 8; /* inside the File pop-up */

/* The two window words of every window class of the program (progress bar aside): word 0 the
   window's record, word 1 its kind. Each is pointer wide, so that word 0 holds a pointer. */
constexpr int kWordRecord = 0;
constexpr int kWordKind = static_cast<int>(sizeof(void*));
constexpr int kWindowWordBytes = 2 * static_cast<int>(sizeof(void*));

/* Window kinds kept in word 1. */
enum WindowKind { kKindNone = 0, kKindImage = 1, kKindAlbum = 2, kKindAlbumButton = 3 };

/* Window classes. */
constexpr char kFrameClass[] = "ZEKDscFrame";
constexpr char kImageClass[] = "ZEKNormalChild";
constexpr char kAlbumClass[] = "ZEKAlbumChild";
constexpr char kAlbumButtonClass[] = "ZEKAlbumButton";
constexpr char kSlideShowClass[] = "AutoViewClass";

/* Private window messages. */
constexpr unsigned kMsgSplash = 1124;         /* to the frame: splash, then command-line files */
constexpr unsigned kMsgRealizePalette = 1125; /* to an image window; returns whether it changed */
constexpr unsigned kMsgLoadPage = 1570;       /* to a camera grid dialog: load the scrolled page */
constexpr unsigned kMsgSlideStart = 1297;     /* to the show window: read the album and begin */
constexpr unsigned kMsgSlideStep = 1298;      /* to the show window: the next picture's time */
constexpr unsigned kMsgOpenHandedFiles = 0x82A0; /* WM_APP + 0x2A0, to the frame: open the files
                                                    a second start handed over */
/* The tag of the WM_COPYDATA block in which a second start hands its files to the first. */
constexpr unsigned long kOpenFilesTag = 0x56534F46; /* "VSOF" */

/* The title of the program's message boxes. */
constexpr char kAppTitle[] = "Vistrel";

#endif

#endif
