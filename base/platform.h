// The process-wide set of seams. The program, the plug-in, the command-line tool and each test
// install their own implementations once at start; the portable code only ever calls through
// here. The pointers are not owned.
#pragma once
#include "base/message_pump.h"
#include "base/operation_view.h"
#include "base/prompts.h"
#include "base/settings.h"
#include "base/time_source.h"

struct Platform {
    TimeSource* time;
    MessagePump* pump;
    UserPrompts* prompts;
    SettingsStore* settings;
    OperationView* view;
};

// The installed seams; defaults are the system clock, no messages, silent prompts, settings in
// memory and no view.
Platform& Plat();

// Waits ms milliseconds on the installed clock while dispatching window messages one at a time;
// ends early at a quit message. When no message is waiting it blocks in the pump's wait (at
// most 10 ms at a time) instead of spinning.
void PumpFor(uint32_t ms);

// The one program-wide Cancel flag (set by the Cancel button, the letter C or Enter; read and
// cleared by the camera operations between images).
bool CancelRequested();
void SetCancelRequested(bool on);

// The hourglass for a stretch of work; the arrow comes back on every path out.
class WaitCursor {
public:
    WaitCursor() { Plat().prompts->SetCursor(CursorKind::kHourglass); }
    ~WaitCursor() { Plat().prompts->SetCursor(CursorKind::kArrow); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Installs seams for the lifetime of the object and puts the previous ones back afterwards.
class ScopedPlatform {
public:
    explicit ScopedPlatform(const Platform& p) : saved_(Plat()) { Plat() = p; }
    ~ScopedPlatform() { Plat() = saved_; }
    ScopedPlatform(const ScopedPlatform&) = delete;
    ScopedPlatform& operator=(const ScopedPlatform&) = delete;

private:
    Platform saved_;
};
