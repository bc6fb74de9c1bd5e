// The clock seam. The camera link never reads the system clock itself: every wait, deadline
// and fixed delay asks the installed time source, so tests run the whole protocol on a fake
// clock and never sleep for real.
#pragma once
#include <cstdint>

struct TimeSource {
    virtual ~TimeSource() = default;
    // Milliseconds since an arbitrary start; wraps around like the system tick count.
    virtual uint32_t TickCount() = 0;
    // Blocks without dispatching anything.
    virtual void Sleep(uint32_t ms) = 0;
};

// The platform's real clock (base/win or base/posix).
TimeSource& SystemTimeSource();
