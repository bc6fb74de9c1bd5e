// Where the module's handles live: zero-filled movable global memory on Windows (locked while
// the module is loaded), the C heap in the native build. Each function is the platform's;
// plugin/acquire.cpp builds PluginHandle and the memory status on top of them.
#pragma once
#include <cstddef>

void* NewHandleRecord();  // a zero-filled PluginHandle
void FreeHandleRecord(void* record);
void* NewHandleBlock(size_t size);  // zero-filled
size_t HandleBlockSize(void* block);
void* ResizeHandleBlock(void* block, size_t size);  // the block's new address, or null
void FreeHandleBlock(void* block);

void SetPluginMemoryStatus(int status);
