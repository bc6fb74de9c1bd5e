#include "base/platform.h"

namespace {
NullMessagePump g_null_pump;
SilentPrompts g_silent_prompts;
MemorySettings g_memory_settings;
NullOperationView g_null_view;
bool g_cancel_requested = false;
}  // namespace

Platform& Plat() {
    static Platform p{&SystemTimeSource(), &g_null_pump, &g_silent_prompts, &g_memory_settings,
                      &g_null_view};
    return p;
}

void MessagePump::WaitForMessage(uint32_t ms) {
    Plat().time->Sleep(ms);
}

void PumpFor(uint32_t ms) {
    TimeSource& clock = *Plat().time;
    const uint32_t start = clock.TickCount();
    for (;;) {
        const uint32_t elapsed = clock.TickCount() - start;
        if (elapsed >= ms) return;
        const PumpResult r = Plat().pump->PumpOne(false);
        if (r == PumpResult::kQuit) return;
        if (r == PumpResult::kEmpty)
            Plat().pump->WaitForMessage(ms - elapsed < 10 ? ms - elapsed : 10);
    }
}

bool CancelRequested() {
    return g_cancel_requested;
}
void SetCancelRequested(bool on) {
    g_cancel_requested = on;
}

std::string GetSetting(SettingsStore& store, const std::string& key, const std::string& def) {
    std::string v;
    return store.Get(key, &v) ? v : def;
}
