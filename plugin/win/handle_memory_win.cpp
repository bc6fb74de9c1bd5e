// The handles of the Windows module: zero-filled movable global memory, locked for as long as
// the host keeps the module loaded (the host holds the record's address, so it must not move).
#include <windows.h>

#include "plugin/acquire.h"
#include "plugin/handle_memory.h"

namespace {

int g_status = 0;

void* NewLocked(size_t size) {
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!g) return nullptr;
    void* p = GlobalLock(g);
    if (!p) GlobalFree(g);
    return p;
}

void FreeLocked(void* p) {
    HGLOBAL g = GlobalHandle(p);
    if (!g) return;
    GlobalUnlock(g);
    GlobalFree(g);
}

}  // namespace

void* NewHandleRecord() {
    return NewLocked(sizeof(PluginHandle));
}
void FreeHandleRecord(void* record) {
    FreeLocked(record);
}
void* NewHandleBlock(size_t size) {
    return NewLocked(size);
}
size_t HandleBlockSize(void* block) {
    HGLOBAL g = GlobalHandle(block);
    return g ? GlobalSize(g) : 0;
}
void* ResizeHandleBlock(void* block, size_t size) {
    HGLOBAL g = GlobalHandle(block);
    if (!g) return nullptr;
    GlobalUnlock(g);
    HGLOBAL moved = GlobalReAlloc(g, size, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!moved) {
        GlobalLock(g);
        return nullptr;
    }
    return GlobalLock(moved);
}
void FreeHandleBlock(void* block) {
    FreeLocked(block);
}
void SetPluginMemoryStatus(int status) {
    g_status = status;
}
int PluginMemoryStatus() {
    return g_status;
}
