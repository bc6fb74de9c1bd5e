// The camera browser "Image Preview": the modeless dialog that shows the camera's images as a
// 4 x 4 grid of owner-drawn thumbnail buttons with a scroll bar a row a step, and runs Preview,
// Transfer and Delete on the selection. Its rules are browser/browser_model.h; this file draws
// and routes. The dialog owns the camera session from the moment it opens until Exit (or a
// failure) closes it, which ends the session and closes the port.
#pragma once
#include <windows.h>

#include "browser/win/grid_dialog.h"
#include "link/session/camera_session.h"

// Creates the dialog from the region's template, owned by `owner`, and shows it. False (after
// its message) when it could not be made; the caller then ends the session.
bool OpenCameraBrowser(CameraSession& s, HWND owner);
// The open browser, or none.
HWND CameraBrowserWindow();
// The state behind a browser dialog (for tests that look at what it shows); none for another
// window.
struct CameraBrowserState;
const CameraBrowserState* CameraBrowserStateOf(HWND dlg);

// The models-2/3 delete question "DSCSTATUSDLGDEL" for one image, modal over `owner`; returns
// 800 Yes, 801 Delete All (disabled unless all_enabled), 802 No or 803 Cancel (also for the
// close box and Escape).
int AskDeleteDialog(HWND owner, int image, bool all_enabled);
// The delete question's dialog procedure.
DLGPROC DeleteQuestionProcedure();
