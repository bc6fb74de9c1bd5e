// The small camera dialogs over the session's rules: the port setup ("CommParaSet", with Auto
// Setup) and the camera clock ("TIMESETUP_US" and its regional variants). Each comes as a modal
// run for the program and as a modeless window that tests drive with messages; both use the
// same dialog procedure.
#pragma once
#include <windows.h>

#include "link/link_error.h"
#include "link/session/camera_session.h"

// The port setup: the remembered port and speed checked, OK stores them, Cancel puts the speed
// back, Auto Setup scans COM1 to COM4 through the session's driver.
void RunPortSetup(CameraSession& s, HWND owner);
HWND CreatePortSetupWindow(CameraSession& s, HWND owner);

// The clock dialog inside the clock session: it reads the camera's clock when it opens (and
// closes at once when that fails) and sets it on OK. Returns the code of a failing read or set
// command, or kLinkOk.
LinkError RunClockDialogWindow(CameraSession& s, HWND owner);
HWND CreateClockWindow(CameraSession& s, HWND owner);
// The result of a modeless clock window once it is gone.
LinkError LastClockResult();
