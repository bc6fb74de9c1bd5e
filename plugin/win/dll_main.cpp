// The library's entry points: the host's ENTRYPOINT and the system's library entry.
#include <windows.h>

#include "browser/win/camera_browser_win.h"
#include "browser/win/meter.h"
#include "browser/win/status_dialogs.h"
#include "plugin/acquire.h"
#include "plugin/win/plugin_win.h"

namespace {
HINSTANCE g_module = nullptr;
}

extern "C" __declspec(dllexport) void ENTRYPOINT(short selector, void* record, intptr_t* data,
                                                 short* result) {
    InstallPluginSeams(g_module);
    PluginEntry(selector, record, data, result, PluginWindows());
}

// The procedures of the module's dialogs of long operations, under the module's names.
extern "C" {
__declspec(dllexport) INT_PTR CALLBACK MeterDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    return MeterDialogProcedure()(dlg, msg, wp, lp);
}
__declspec(dllexport) INT_PTR CALLBACK StartDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    return StartStatusProcedure()(dlg, msg, wp, lp);
}
__declspec(dllexport) INT_PTR CALLBACK StatusDlgProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    return StatusDialogProcedure()(dlg, msg, wp, lp);
}
__declspec(dllexport) INT_PTR CALLBACK D2MemoryDelProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    return DeleteQuestionProcedure()(dlg, msg, wp, lp);
}
__declspec(dllexport) LRESULT CALLBACK MeterWndFn(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return MeterWindowProcedure()(hwnd, msg, wp, lp);
}
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    // The progress bar's class, on every call; an existing class is no failure.
    RegisterMeterClass(g_module ? g_module : instance);
    return TRUE;
}
