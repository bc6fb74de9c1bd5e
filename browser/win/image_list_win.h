// The model-1 image list "MemReq" (transfer, viewfinder preview and delete run from it) and
// the transfer path dialog "StatusDir" that both the list and the thumbnail browser show
// between the folder chooser and the transfer.
#pragma once
#include <windows.h>

#include "link/link_error.h"
#include "link/session/camera_session.h"
#include "link/session/image_list.h"

// How the folder step of a transfer ended.
enum class DestinationChoice {
    kChosen,     // the folder is in the session, with room for the images
    kCancelled,  // the user stopped (the chooser's Cancel, or StatusDir's Cancel)
};

// The folder step: the folder chooser, then "StatusDir" with the folder (Browse picks it
// again), then the checks; a folder that fails a check goes back to the chooser. The list's
// form (from_list) asks "Cancel image transfer?" on Cancel; the browser's form checks the
// destination first (a CD-ROM drive: message 27; a folder that is not there: message 28).
DestinationChoice ChooseTransferDestination(CameraSession& s, HWND owner, int count,
                                            bool from_list);

// The modal list dialog; returns when it closes: the failing operation's code, or kLinkOk.
LinkError RunImageListDialog(CameraSession& s, HWND owner);
// The list dialog while it is up, and its model (for the session's SelectListLine and tests).
HWND ImageListWindow();
const ImageListModel* ImageListModelOf(HWND dlg);
// Selects one line of the list shown (the model's other lines keep their state on screen).
void ShowListLineSelected(int line);
