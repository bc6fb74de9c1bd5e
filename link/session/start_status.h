// The pause rule of the connection notice: a camera needs time after one session before it
// accepts the next, so every notice but the first of a program run waits until 8000 ms have
// passed since the previous notice closed. The camera session and the notice dialog both ask
// here, handing in the time, so the rule runs on a fake clock in tests.
#pragma once
#include <cstdint>

constexpr uint32_t kStartNoticePauseMs = 8000;

struct StartNoticeTimes {
    bool hidden_before = false;  // a notice of this run has already been hidden
    uint32_t last_hidden = 0;    // tick count when it was hidden
};

// How long a notice shown at tick count now waits (tick counts wrap around).
uint32_t StartNoticeWait(const StartNoticeTimes& times, uint32_t now);
// Records that a notice was hidden at tick count now.
void StartNoticeHidden(StartNoticeTimes& times, uint32_t now);

// The program's record, used by the notice dialog.
StartNoticeTimes& ProgramStartNoticeTimes();
