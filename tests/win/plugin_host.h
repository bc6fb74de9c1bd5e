// A host of our own for the acquire module, as an image editor runs one: it fills the acquire
// record, offers a buffer suite in plain memory, a main window as platform data, abort and
// progress procedures and advanceState, and puts the delivered strips together into three
// planes. The entry is either the library's ENTRYPOINT or the module's code linked in.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

#include "plugin/host_records.h"

using PluginEntryPoint = void (*)(short selector, void* record, intptr_t* data, short* result);

struct TestHost {
    explicit TestHost(PluginEntryPoint entry);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    int16_t Call(int16_t selector);
    int16_t About();

    PluginEntryPoint entry;
    host::AcquireRecord rec;
    host::BufferProcs procs;
    host::PlatformData platform;
    HWND window = nullptr;
    intptr_t slot = 0;
    int32_t space = 4 << 20;
    int abort_after_rows = -1;  // abortProc says yes once this many rows were reported
    // What the module delivered since the last start: rows x columns of each plane.
    int rows = 0, columns = 0;
    std::vector<uint8_t> planes[3];
    int strips = 0;
    int progress_calls = 0;
    int buffers_allocated = 0, buffers_freed = 0;
};
