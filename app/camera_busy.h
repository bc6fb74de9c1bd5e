// CameraBusy: set by the frame before a camera command and cleared when the camera session
// ends. While it is set the program refuses Exit and the end of the Windows session, and the
// frame keeps its camera commands grey. The camera flows live in portable code, so the flag
// and the hook that gives the frame its camera commands back carry no window types.
#pragma once

bool CameraBusy();
void SetCameraBusy(bool on);

// Called with the flag already cleared, so that the frame can enable its camera commands
// again. The frame installs it once at creation; none is installed by default.
using CameraCommandsHook = void (*)();
void SetCameraCommandsHook(CameraCommandsHook hook);

// The end of a camera session: clears CameraBusy and runs the hook.
void EndCameraSession();
