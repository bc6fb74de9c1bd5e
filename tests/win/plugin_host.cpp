#include "plugin_host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

TestHost* g_host = nullptr;

host::OSErr Allocate(int32_t size, host::BufferID* id) {
    if (size <= 0) return host::kMemFullErr;
    void* p = std::malloc(static_cast<size_t>(size));
    if (!p) return host::kMemFullErr;
    ++g_host->buffers_allocated;
    *id = static_cast<host::BufferID>(p);
    return 0;
}
char* Lock(host::BufferID id, host::Boolean) {
    return reinterpret_cast<char*>(id);
}
void Unlock(host::BufferID) {}
void Free(host::BufferID id) {
    ++g_host->buffers_freed;
    std::free(id);
}
int32_t Space() {
    return g_host->space;
}
host::Boolean Abort() {
    return g_host->abort_after_rows >= 0 && g_host->progress_calls >= g_host->abort_after_rows;
}
void Progress(int32_t, int32_t) {
    ++g_host->progress_calls;
}
host::OSErr Advance() {
    TestHost& h = *g_host;
    const host::AcquireRecord& r = h.rec;
    if (!r.data || r.loPlane < 0 || r.loPlane > 2) return -1;
    h.rows = r.imageSize.v;
    h.columns = r.imageSize.h;
    std::vector<uint8_t>& plane = h.planes[r.loPlane];
    plane.resize(static_cast<size_t>(h.rows) * h.columns);
    const auto* src = static_cast<const uint8_t*>(r.data);
    for (int y = r.theRect.top; y < r.theRect.bottom && y < h.rows; ++y) {
        const uint8_t* row = src + static_cast<size_t>(r.rowBytes) * (y - r.theRect.top);
        std::memcpy(&plane[static_cast<size_t>(y) * h.columns], row,
                    static_cast<size_t>(std::min<int>(r.theRect.right, h.columns)));
    }
    ++h.strips;
    return 0;
}

}  // namespace

TestHost::TestHost(PluginEntryPoint e) : entry(e) {
    std::memset(&rec, 0, sizeof rec);
    procs = {2, 5, Allocate, Lock, Unlock, Free, Space};
    window = CreateWindowExA(0, "STATIC", "Host", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    platform.hwnd = reinterpret_cast<intptr_t>(window);
    rec.platformData = &platform;
    rec.bufferProcs = &procs;
    rec.abortProc = Abort;
    rec.progressProc = Progress;
    rec.advanceState = Advance;
    rec.canFinalize = 1;
    rec.maxData = 1 << 20;
    g_host = this;
}

TestHost::~TestHost() {
    if (window) DestroyWindow(window);
    if (g_host == this) g_host = nullptr;
}

int16_t TestHost::Call(int16_t selector) {
    g_host = this;
    if (selector == host::kSelectorStart) {
        for (auto& p : planes) p.clear();
        rows = columns = 0;
        strips = 0;
    }
    short result = 12345;
    entry(selector, &rec, &slot, &result);
    return result;
}

int16_t TestHost::About() {
    g_host = this;
    host::AboutRecord about{};
    about.platformData = &platform;
    short result = 12345;
    entry(host::kSelectorAbout, &about, &slot, &result);
    return result;
}
