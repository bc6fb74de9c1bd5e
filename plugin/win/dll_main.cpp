// The library's entry points: the host's ENTRYPOINT and the system's library entry.
#include <windows.h>

#include "browser/win/meter.h"
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

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    // The progress bar's class, on every call; an existing class is no failure.
    RegisterMeterClass(g_module ? g_module : instance);
    return TRUE;
}
