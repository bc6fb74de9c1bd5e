// The Windows side of the acquire module: the seams it installs, the camera dialog "UIPARAM"
// with its port setup "COMMPARASET", the extraction of the fetched picture, and the PluginUi
// that the host protocol (plugin/acquire.h) calls.
#pragma once
#include <windows.h>

#include "base/serial_port.h"
#include "plugin/acquire.h"

// Once per process: the module's instance for its resources, the link profile and message
// tables of the module, the prompts, message pump, registry settings and dialog view, and the
// progress bar's window class.
void InstallPluginSeams(HINSTANCE instance);
// The serial driver the dialog's session uses (the Win32 comm driver unless a test sets one).
void SetPluginSerialDriver(SerialDriver* driver);

struct WinPluginUi : PluginUi {
    void About(const void* platform_data) override;
    void HostWarning(int string_id, const char* version) override;
    bool EnterDialog(PluginState& st) override;
    int RunDialog(PluginState& st) override;
    void DestroyDialog(PluginState& st) override;
    DibImage ExtractImage(PluginState& st) override;
};
WinPluginUi& PluginWindows();

// The camera dialog while it exists, and its grid (for tests that look at what it shows).
HWND PluginDialogWindow();
struct CameraBrowserState;
const CameraBrowserState* PluginGrid();
// The index of the next chosen image to fetch.
int PluginNextImage();
// The temporary files of a fetch: "Pitmpjpg.jpg" and "PItmpBmp.bmp" in the temporary folder
// (the Windows folder when there is none).
std::string PluginJpegPath();
std::string PluginBmpPath();

extern "C" {
__declspec(dllexport) INT_PTR CALLBACK UIProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
__declspec(dllexport) INT_PTR CALLBACK CommParaProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp);
}
