#include <windows.h>

#include "base/time_source.h"

namespace {
struct WinTime : TimeSource {
    uint32_t TickCount() override { return GetTickCount(); }
    void Sleep(uint32_t ms) override { ::Sleep(ms); }
};
}  // namespace

TimeSource& SystemTimeSource() {
    static WinTime t;
    return t;
}
