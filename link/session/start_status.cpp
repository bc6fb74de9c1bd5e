#include "link/session/start_status.h"

uint32_t StartNoticeWait(const StartNoticeTimes& times, uint32_t now) {
    if (!times.hidden_before) return 0;
    uint32_t elapsed = now - times.last_hidden;
    return elapsed >= kStartNoticePauseMs ? 0 : kStartNoticePauseMs - elapsed;
}

void StartNoticeHidden(StartNoticeTimes& times, uint32_t now) {
    times.hidden_before = true;
    times.last_hidden = now;
}

StartNoticeTimes& ProgramStartNoticeTimes() {
    static StartNoticeTimes t;
    return t;
}
