#include <time.h>

#include "base/time_source.h"

namespace {
struct PosixTime : TimeSource {
    uint32_t TickCount() override {
        timespec ts;
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                     static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
    }
    void Sleep(uint32_t ms) override {
        timespec ts{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0) {
        }
    }
};
}  // namespace

TimeSource& SystemTimeSource() {
    static PosixTime t;
    return t;
}
