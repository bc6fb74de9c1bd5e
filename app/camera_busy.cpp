#include "app/camera_busy.h"

namespace {
bool g_camera_busy = false;
CameraCommandsHook g_hook = nullptr;
}  // namespace

bool CameraBusy() {
    return g_camera_busy;
}
void SetCameraBusy(bool on) {
    g_camera_busy = on;
}
void SetCameraCommandsHook(CameraCommandsHook hook) {
    g_hook = hook;
}

void EndCameraSession() {
    g_camera_busy = false;
    if (g_hook) g_hook();
}
